# The systemd user unit of `tovrel device watch` (data/systemd/tovrel-watch.service.in), which
# names the program by its absolute path:
# - installed into lib/systemd/user below the prefix the install (or the package) uses, naming
#   the installed tovrel; it is not enabled;
# - configured in the build tree as systemd/tovrel-watch.service, naming the built tovrel, for
#   the test that verifies it.
set(tovrel_unit_in "${PROJECT_SOURCE_DIR}/data/systemd/tovrel-watch.service.in")

set(TOVREL_WATCH_PROGRAM "$<TARGET_FILE:tovrel>")
configure_file("${tovrel_unit_in}" "${PROJECT_BINARY_DIR}/systemd/tovrel-watch.service.gen" @ONLY)
file(GENERATE OUTPUT "${PROJECT_BINARY_DIR}/systemd/tovrel-watch.service"
    INPUT "${PROJECT_BINARY_DIR}/systemd/tovrel-watch.service.gen")

# The prefix is known only when the install runs (cmake --install --prefix, CPack's /usr).
set(tovrel_unit_installed "${PROJECT_BINARY_DIR}/systemd/install/tovrel-watch.service")
install(CODE "
    set(TOVREL_WATCH_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tovrel\")
    configure_file(\"${tovrel_unit_in}\" \"${tovrel_unit_installed}\" @ONLY)
    file(INSTALL \"${tovrel_unit_installed}\"
        DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/user\"
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
")

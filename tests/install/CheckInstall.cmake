# Installs the build at BUILD_DIR into PREFIX (emptied first) and checks what arrived there.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

include(GNUInstallDirs)
set(expected
    "${CMAKE_INSTALL_BINDIR}/tovrel-desk"
    "${CMAKE_INSTALL_BINDIR}/tovrel"
    "${CMAKE_INSTALL_BINDIR}/tovrel-phone-emulator"
    "${CMAKE_INSTALL_DATADIR}/applications/tovrel-desk.desktop"
    "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps/tovrel-desk.svg"
    "${CMAKE_INSTALL_MANDIR}/man1/tovrel.1.gz"
    "${CMAKE_INSTALL_MANDIR}/man1/tovrel-desk.1.gz"
    "${CMAKE_INSTALL_DATADIR}/bash-completion/completions/tovrel"
    "${CMAKE_INSTALL_DATADIR}/metainfo/io.tovrel.desk.metainfo.xml"
    "${CMAKE_INSTALL_DATADIR}/doc/tovrel-desk/copyright"
    "${CMAKE_INSTALL_DATADIR}/doc/tovrel-desk/changelog.Debian.gz"
    "lib/systemd/user/tovrel-watch.service")
file(GLOB_RECURSE rules RELATIVE "${PREFIX}" "${PREFIX}/*/udev/rules.d/70-tovrel-phone.rules")
if(NOT rules)
    message(FATAL_ERROR "the udev rule was not installed:\n${output}")
endif()
foreach(f IN LISTS expected)
    if(NOT EXISTS "${PREFIX}/${f}")
        message(FATAL_ERROR "${f} was not installed:\n${output}")
    endif()
endforeach()
# The installed programs run from the prefix.
foreach(program tovrel tovrel-desk)
    execute_process(COMMAND "${PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}" --version
        RESULT_VARIABLE result OUTPUT_VARIABLE version ERROR_VARIABLE error TIMEOUT 60)
    if(NOT result EQUAL 0 OR NOT version MATCHES "${program} ${VERSION}\n")
        message(FATAL_ERROR "installed ${program} --version: ${result} '${version}' ${error}")
    endif()
endforeach()

# The desktop entry starts the installed program by name and names the installed icon.
file(READ "${PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/tovrel-desk.desktop" entry)
foreach(line "Exec=tovrel-desk" "Icon=tovrel-desk" "Type=Application")
    if(NOT entry MATCHES "(^|\n)${line}\n")
        message(FATAL_ERROR "desktop entry lacks ${line}")
    endif()
endforeach()

# The Debian package (scripts/package): what cmake --install puts in place, plus the manual
# pages, the bash completion, the AppStream metainfo and the package's own documents, packed by
# CPack with the dependencies dpkg-shlibdeps finds in the programs.

set(TOVREL_PACKAGE_NAME "tovrel-desk")
set(TOVREL_PACKAGE_RELEASE "1")
set(TOVREL_PACKAGE_VERSION "${PROJECT_VERSION}-${TOVREL_PACKAGE_RELEASE}")
set(TOVREL_PACKAGE_MAINTAINER "Tovrel Desk developers <desk@tovrel.io>" CACHE STRING
    "Maintainer field of the Debian package")

# Manual pages and the changelog go in compressed (gzip -9n: no name, no time stamp), as Debian
# wants them; the version is filled in at configure time.
set(packaging_dir "${PROJECT_BINARY_DIR}/packaging")
set(packaging_outputs)
foreach(page tovrel tovrel-desk)
    configure_file("${PROJECT_SOURCE_DIR}/data/man/${page}.1" "${packaging_dir}/${page}.1" @ONLY)
    list(APPEND packaging_sources "${packaging_dir}/${page}.1")
endforeach()
configure_file("${PROJECT_SOURCE_DIR}/data/debian/changelog.in"
    "${packaging_dir}/changelog.Debian" @ONLY)
list(APPEND packaging_sources "${packaging_dir}/changelog.Debian")
find_program(GZIP_PROGRAM gzip REQUIRED)
foreach(source IN LISTS packaging_sources)
    add_custom_command(OUTPUT "${source}.gz"
        COMMAND "${GZIP_PROGRAM}" -9nfk "${source}"
        DEPENDS "${source}"
        COMMENT "Compressing ${source}")
    list(APPEND packaging_outputs "${source}.gz")
endforeach()
add_custom_target(tovrel_packaging_files ALL DEPENDS ${packaging_outputs})

install(FILES "${packaging_dir}/tovrel.1.gz" "${packaging_dir}/tovrel-desk.1.gz"
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/completion/tovrel.bash RENAME tovrel
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES data/metainfo/io.tovrel.desk.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/debian/copyright "${packaging_dir}/changelog.Debian.gz"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${TOVREL_PACKAGE_NAME})

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "${TOVREL_PACKAGE_NAME}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${TOVREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE "${TOVREL_PACKAGE_RELEASE}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TOVREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# QtKeychain opens libsecret when it runs (the keyring's Secret Service), which the library scan
# cannot see; the rest comes from the scan.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsecret-1-0")
# Qt's own dialogs in Chinese, and a font with the Chinese characters of the windows.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-noto-cjk")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop manager for the Tovrel call-recording telephone")
set(CPACK_PACKAGE_DESCRIPTION
    "Tovrel Desk finds the Tovrel call-recording desk telephone on USB, lists the\n"
    "recordings it holds and uploads them into a local folder. On the computer it\n"
    "lists, plays and searches the recordings, converts them into WAV files and\n"
    "exports lists to spreadsheet workbooks.\n"
    "\n"
    "The package holds the desktop program tovrel-desk (in Simplified Chinese), the\n"
    "command-line program tovrel and the telephone emulator tovrel-phone-emulator.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
# Folders in the package are rwxr-xr-x whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

# cmake --build build --target package makes tandrix_<version>_<arch>.deb with CPack: what
# install.cmake installs, below /usr, with the dependencies dpkg-shlibdeps finds in the program.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tandrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tandrix-Projekt")
set(CPACK_PACKAGE_CONTACT "${TANDRIX_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Directories the package makes get the usual 0755, whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keep two directory trees in step, e.g. with a USB stick")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME tandrix)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TANDRIX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The German texts of Qt's own buttons.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# CPack puts the summary above this as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tandrix keeps two directory trees in step: a working folder on the
computer and its copy on a memory stick that travels between computers.
It compares both sides by path and modification time and lists every
difference with the direction that resolves it, always from the newer or
the only side; the chosen rows are copied in both directions.
.
It remembers the last sync, so files changed on both sides are asked
about and deletions and renames are recognised. Copies reach their place
only when they are complete and on the device, and the rules of FAT32
and exFAT sticks are kept. The program's texts are German.")

include(CPack)

# Makes the package into a temporary folder and checks it; skipped where cpack or the dpkg tools
# are missing. Not in the sanitizer build, whose program is not one to ship.
if(TANDRIX_BUILD_TESTS AND NOT TANDRIX_SANITIZE)
    add_test(NAME packaging.deb
        COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/check-package.sh ${PROJECT_BINARY_DIR} ${PROJECT_VERSION}
                ${TANDRIX_APPSTREAM_ID} ${TANDRIX_ICON_SIZES})
    set_tests_properties(packaging.deb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()

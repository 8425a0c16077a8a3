# The Linux package: `cpack -G DEB` in a configured tree (scripts/package.sh does it
# with Debian's hardening flags). Holds what `cmake --install` installs, plus the
# copyright and changelog files every Debian package carries.
include(GNUInstallDirs)
set(TAVRINOLE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tavrinole-ochrel)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright DESTINATION ${TAVRINOLE_DOC_DIR})
tavrinole_install_gzipped(cmake/debian/changelog ${TAVRINOLE_DOC_DIR} tavrinole-ochrel-cli)

set(CPACK_PACKAGE_NAME tavrinole-ochrel)
set(CPACK_PACKAGE_VENDOR "Tavrinole project")
set(CPACK_PACKAGE_CONTACT "Tavrinole project <info@tavrinole.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "encode a document with a password typed on a keypad")
set(CPACK_PACKAGE_DESCRIPTION "A desktop program of one dialog, on Qt 6, and a command-line tool that encode a
document with a password of 5 to 20 characters. Running either again on the new
document with the same password gives the original back, byte for byte.

It keeps casual eyes off a document, but it is not strong encryption.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tavrinole.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The X11 platform plugin is loaded at run time, so no library names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

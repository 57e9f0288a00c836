# CPack: one Debian package "tirdataexchange" with everything `cmake --install` puts under /usr.
# Its dependencies come from dpkg-shlibdeps (the libraries the programs and the module link);
# the private library folder is named so that dpkg-shlibdeps finds the host kit there.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tirdataexchange")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "TirDataExchange")
set(CPACK_PACKAGE_CONTACT "TirDataExchange maintainers <tirdex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Back-office data exchange module with its command line and desktop host")
set(CPACK_PACKAGE_DESCRIPTION
    "The TirDataExchange plug-in module (libTirDataExchange.so) moves a retail back office's\n"
    "data between its database and JSON. The package holds the module, the command line tirdex,\n"
    "the desktop host tirhost (when built with windows), the upload service library, manual\n"
    "pages, bash completion and the documentation.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    "${CMAKE_BINARY_DIR}/src/db;${CMAKE_BINARY_DIR}/host/kit;${CMAKE_BINARY_DIR}/host/service;${CMAKE_BINARY_DIR}/src/module")
# man-db reads the pages, bash-completion loads the completion; neither is needed to run.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "man-db, bash-completion")
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 2)
include(CPack)

# "cpack -G DEB" in a build folder makes the Debian package (scripts/package does it all). The library
# dependencies are read from the program itself; what it loads at run time is named here.
set(CPACK_PACKAGE_NAME qelto)
set(CPACK_PACKAGE_VENDOR Kaxo)
set(CPACK_PACKAGE_CONTACT "Qelto developers <qelto@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop FTP client")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop FTP client: bookmarks, remote and local file panels, a job queue for whole folder trees, a protocol log and a raw FTP console.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The web preview's helper process, the SVG plugins of the skin, and the OpenSSL library the TLS plugin loads.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6webenginecore6-bin, libqt6svg6, libssl3, hicolor-icon-theme")
# Only the program's own files: tests and benchmarks stay out of the package.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
include(CPack)

# The Debian package of the Linux build: `cpack -G DEB` in the build folder makes
# tessarine_<version>_<arch>.deb from the install rules (program, desktop entry, icon, AppStream
# metainfo). dpkg-shlibdeps (Debian package dpkg-dev) reads the program's shared libraries and
# declares the packages that hold them, Qt's among them.
set(CPACK_PACKAGE_NAME tessarine)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Tessarine)
set(CPACK_PACKAGE_CONTACT "Tessarine maintainers <tessarine@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for a 3x3x3 twisty-cube puzzle")
set(CPACK_PACKAGE_DESCRIPTION "Drag across the cube to turn a layer, orbit the camera with the \
right button and zoom with the wheel. Shuffle runs endless random turns, Clear brings back the \
solved cube.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

# `make package`: a Debian package of what the install rules put under /usr.
# Its dependencies come from the shared libraries the programs link
# (dpkg-shlibdeps), so they follow whichever Qt 6 and FFmpeg the build used.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kt58-animator)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "composer of short layered animations")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "kt58 Animator stacks pictures and videos as layers, gives each one\n\
effects that animate over the frames, plays the result and exports it as an\n\
animated GIF, a numbered bitmap sequence, a single picture or an AVI video.\n\
The kt58 command-line tool does the same work without a window.")
set(CPACK_PACKAGE_CONTACT "kt58 Animator developers <kt58-animator@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The build keeps its debugging information; the package does not.
set(CPACK_STRIP_FILES ON)
include(CPack)

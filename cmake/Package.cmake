# SPDX-License-Identifier: GPL-3.0-or-later
# `make package`: a Debian package of what the install rules put under /usr.
# Its dependencies come from the shared libraries the programs link
# (dpkg-shlibdeps), so they follow whichever Qt 6 and FFmpeg the build used.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kt58-animator)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "composer of short layered animations")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "kt58 Animator stacks pictures and videos as layers, gives each one\n\
a placement and effects that animate over the frames (offset, rotation,\n\
blending, tint, fading, pixel rotation, a transparent colour, mirror, flip\n\
and bevel), plays the result and saves it as a self-contained project. It\n\
exports animated GIF, WebP and APNG files, MP4 (H.264), WebM (VP9) and AVI\n\
videos, numbered PNG or BMP sequences and single BMP, JPEG, GIF or PNG\n\
pictures.\n\
The kt58 command-line tool does the same work without a window.")
set(CPACK_PACKAGE_CONTACT "${KT58_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KT58_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Whatever the builder's umask, the folders are packaged as Debian wants them.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The build keeps its debugging information; the package has none and no
# debug-symbol package: the programs are stripped as Debian strips them,
# symbols, .comment and .note included, before the package is made.
find_program(KT58_STRIP strip REQUIRED)
configure_file(cmake/StripPackaged.cmake.in ${CMAKE_BINARY_DIR}/StripPackaged.cmake @ONLY)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_BINARY_DIR}/StripPackaged.cmake)
include(CPack)

# `make package`: a Debian package of the installed tree, build/tarnwick_<version>_<arch>.deb.
# The game goes under /usr with its binaries in /usr/games, the Debian place for games;
# it still finds /usr/share/tarnwick from its own folder. The copyright file and the
# changelog come from the install rules; lintian's overrides are added to the package only. Depends are worked out from the
# binaries by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tarnwick developers")
set(CPACK_PACKAGE_CONTACT ${TARNWICK_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "puzzle platformer of lamps, reflectors and light in a cave")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "A small robot explores one large cave of square tiles, collecting crates of\n\
reflectors and dodging spikes, lava and spike balls. Light travels along rows\n\
and columns from lamps through the reflectors the player drops; the cave is won\n\
when every light box is lit. Comes with a level editor and a level checker.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TARNWICK_HOMEPAGE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# SDL opens libGL.so.1 itself when it makes an OpenGL window, so no binary names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libgl1)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/tools/PackageLayout.cmake)
set(CPACK_TARNWICK_LINTIAN_OVERRIDES ${CMAKE_SOURCE_DIR}/tools/lintian-overrides)
include(CPack)

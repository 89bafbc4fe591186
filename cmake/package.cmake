# The Debian package, made by CPack:
#
#   tools/package.sh (which does the following with Debian's build flags)
#   cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
#         -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games
#   cmake --build build-deb -j2 && (cd build-deb && cpack -G DEB)
#
# The metadata files and the manual page are made here because they name the
# version and the installed paths; what a packager may want to set is a cache
# variable.
set(TESSALUNE_MAINTAINER "The Tessalune developers <developers@tessalune.org>" CACHE STRING
  "The package's maintainer, name and address")
set(TESSALUNE_HOMEPAGE "https://tessalune.org" CACHE STRING "The project's home page")
set(TESSALUNE_APP_ID "org.tessalune.tessalune" CACHE STRING "The AppStream component id")
set(TESSALUNE_FULL_DATADIR ${CMAKE_INSTALL_FULL_DATADIR}/tessalune)

set(TESSALUNE_DIST ${PROJECT_BINARY_DIR}/dist)
configure_file(dist/metainfo.xml.in ${TESSALUNE_DIST}/${TESSALUNE_APP_ID}.metainfo.xml @ONLY)
configure_file(dist/tessalune.6 ${TESSALUNE_DIST}/tessalune.6 @ONLY)
configure_file(dist/changelog.in ${TESSALUNE_DIST}/changelog @ONLY)

# Debian keeps manual pages and changelogs compressed, without a time stamp.
find_program(TESSALUNE_GZIP gzip)
if(TESSALUNE_GZIP)
  add_custom_command(OUTPUT ${TESSALUNE_DIST}/tessalune.6.gz ${TESSALUNE_DIST}/changelog.gz
    COMMAND ${TESSALUNE_GZIP} -9nkf ${TESSALUNE_DIST}/tessalune.6 ${TESSALUNE_DIST}/changelog
    DEPENDS ${TESSALUNE_DIST}/tessalune.6 ${TESSALUNE_DIST}/changelog
    COMMENT "Compressing the manual page and the changelog")
  add_custom_target(dist-docs ALL DEPENDS ${TESSALUNE_DIST}/tessalune.6.gz
    ${TESSALUNE_DIST}/changelog.gz)
  install(FILES ${TESSALUNE_DIST}/tessalune.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  install(FILES ${TESSALUNE_DIST}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
  install(FILES ${TESSALUNE_DIST}/tessalune.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  install(FILES ${TESSALUNE_DIST}/changelog DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
install(FILES ${TESSALUNE_DIST}/${TESSALUNE_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES dist/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME tessalune)
set(CPACK_PACKAGE_VENDOR "The Tessalune developers")
set(CPACK_PACKAGE_CONTACT "${TESSALUNE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "brick-breaking game with ten stages and a stage editor")
set(CPACK_PACKAGE_DESCRIPTION
  "Steer the paddle, keep the ball in play and break every brick of ten stages
with five balls. The ten best scores are kept, and a stage editor lets you lay
out stages of your own. With sound effects and General MIDI music; plays with
the keyboard or a gamepad.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TESSALUNE_HOMEPAGE})
# The shared libraries as dpkg finds them from the program, and a General MIDI
# sound font: any package that provides one will do.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | sf2-soundfont-gm")
# The directories every Debian system has belong to no package of ours.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# Installing the show (cmake --install BUILD --prefix P) and its Debian package (CPack, see
# scripts/package.sh):
#   P/bin/glimmerfolding                    the program
#   P/share/glimmerfolding/                 the show's data, found from the program's own folder
#   P/share/glimmerfolding/web-player/      the web page's player, when this build folder holds it
#   P/share/man/man6/glimmerfolding.6       the manual page
#   P/share/doc/glimmerfolding/             README.md and LICENSE
# The package adds what Debian expects in its doc folder (copyright, changelog.gz) and compresses
# the manual page; debian_package.cmake does that in CPack's staging folder only.
install(TARGETS glimmerfolding RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/glimmerfolding
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# The asciinema web player that --record NAME.html copies beside its page, laid out as its npm
# package, from where scripts/setup-web-player.sh put it in this build folder (scripts/package.sh
# always does); without it the installed program records everything but web pages.
set(glimmer_web_player ${PROJECT_BINARY_DIR}/web-player/node_modules/asciinema-player)
install(FILES ${glimmer_web_player}/dist/bundle/asciinema-player.min.js ${glimmer_web_player}/dist/bundle/asciinema-player.css
        DESTINATION ${CMAKE_INSTALL_DATADIR}/glimmerfolding/web-player/dist/bundle
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ OPTIONAL)
install(FILES ${glimmer_web_player}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/glimmerfolding/web-player
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ OPTIONAL)
install(FILES ${PROJECT_SOURCE_DIR}/doc/glimmerfolding.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glimmerfolding)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Glimmerfolding developers")
# The owner's address belongs here; the package and its changelog take it from this line.
set(CPACK_PACKAGE_CONTACT "The Glimmerfolding developers <glimmerfolding@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual demo for the text terminal")
# The extended description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Glimmerfolding draws its 3D scenes with OpenGL ES into a small picture,
turns every frame into 80x50 coloured block-glyph cells and writes them to
the terminal in step with its own soundtrack: a cloud of cubes under title
cards, falling shapes around a cluster that pulses with the bass, a spiky
shape in a turning lattice, and a greetings screen.
.
It needs a UTF-8 terminal of at least 80x50 cells. It can also record
itself, offline, as an asciicast, a folder of PNG pictures or (with ffmpeg)
a video.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links, with their versions, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Linked through no library: Mesa's software renderer, which the OpenGL ES context is made on.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian_package.cmake)
set(CPACK_GLIMMER_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(CPACK_GLIMMER_BINDIR ${CMAKE_INSTALL_BINDIR})
set(CPACK_GLIMMER_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_GLIMMER_MANDIR ${CMAKE_INSTALL_MANDIR})
include(CPack)

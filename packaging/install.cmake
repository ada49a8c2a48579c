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
# always does). Whether it is there is decided when installing, as the player may be set up after
# configuring; without it nothing of it is installed (no empty folder either), the installed program
# records everything but web pages, and the install says how to add it.
set(glimmer_web_player ${PROJECT_BINARY_DIR}/web-player/node_modules/asciinema-player)
install(CODE "set(glimmer_build_folder \"${PROJECT_BINARY_DIR}\")
  set(glimmer_bindir \"${CMAKE_INSTALL_BINDIR}\")
  set(glimmer_web_player \"${glimmer_web_player}\")
  set(glimmer_web_player_destination \"${CMAKE_INSTALL_DATADIR}/glimmerfolding/web-player\")")
install(CODE [[
  if(NOT IS_ABSOLUTE "${glimmer_web_player_destination}")
    set(glimmer_web_player_destination "${CMAKE_INSTALL_PREFIX}/${glimmer_web_player_destination}")
  endif()
  if(EXISTS "${glimmer_web_player}/LICENSE")
    file(INSTALL "${glimmer_web_player}/LICENSE" DESTINATION "${glimmer_web_player_destination}"
         PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    file(INSTALL "${glimmer_web_player}/dist/bundle/asciinema-player.min.js"
                 "${glimmer_web_player}/dist/bundle/asciinema-player.css"
         DESTINATION "${glimmer_web_player_destination}/dist/bundle"
         PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  else()
    message(STATUS "Not installed: the web player, which --record NAME.html needs; "
                   "run scripts/setup-web-player.sh \"${glimmer_build_folder}\" and install again to add it")
  endif()
]])
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

# After installing: where PATH must point, and how to take it all out again. The uninstall target
# removes the files that the last install from this build folder listed in install_manifest.txt.
install(CODE [[
  if("$ENV{DESTDIR}" STREQUAL "")
    set(bin "${glimmer_bindir}")
    if(NOT IS_ABSOLUTE "${bin}")
      set(bin "${CMAKE_INSTALL_PREFIX}/${bin}")
    endif()
    cmake_path(NORMAL_PATH bin)
    string(REGEX REPLACE "/$" "" bin "${bin}")
    set(on_path FALSE)
    string(REPLACE ":" ";" path_entries "$ENV{PATH}")
    foreach(entry IN LISTS path_entries)
      if(entry)
        cmake_path(NORMAL_PATH entry)
        string(REGEX REPLACE "/$" "" entry "${entry}")
        if(entry STREQUAL bin)
          set(on_path TRUE)
        endif()
      endif()
    endforeach()
    if(NOT on_path)
      message(STATUS "${bin} is not on PATH: add it there to run glimmerfolding by its name "
                     "(for example in ~/.profile: PATH=\"${bin}:$PATH\")")
    endif()
    message(STATUS "To uninstall: cmake --build \"${glimmer_build_folder}\" --target uninstall")
  endif()
]])
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -D MANIFEST=${PROJECT_BINARY_DIR}/install_manifest.txt -P ${CMAKE_CURRENT_LIST_DIR}/uninstall.cmake
  COMMENT "Removing what was installed from this build folder"
  VERBATIM)

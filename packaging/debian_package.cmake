# Run by CPack after it has installed the files to package: what a Debian package holds beyond
# cmake --install. The copyright file in Debian's format takes the place of LICENSE, the changelog
# of a native package is changelog.gz, manual pages are compressed, the program carries no compiler
# notes, and lintian is told why the program is in /usr/bin.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${root}/${CPACK_GLIMMER_DOCDIR}")
set(man "${root}/${CPACK_GLIMMER_MANDIR}/man6")
if(NOT EXISTS "${man}/glimmerfolding.6")
  message(FATAL_ERROR "debian_package: the staged manual page is not at ${man}")
endif()

# gzip -9n: no name or time stamp in the file, so the package is the same on every build.
function(compress source target)
  execute_process(COMMAND gzip -9nc "${source}" OUTPUT_FILE "${target}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "debian_package: gzip ${source} failed")
  endif()
  file(CHMOD "${target}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

# As dh_strip does: CPack has stripped the symbols; the compilers' notes go too.
execute_process(COMMAND strip --remove-section=.comment --remove-section=.note "${root}/${CPACK_GLIMMER_BINDIR}/glimmerfolding"
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "debian_package: strip failed")
endif()

compress("${man}/glimmerfolding.6" "${man}/glimmerfolding.6.gz")
file(REMOVE "${man}/glimmerfolding.6" "${doc}/LICENSE")
file(COPY_FILE "${CPACK_GLIMMER_PACKAGING_DIR}/copyright" "${doc}/copyright")
file(CHMOD "${doc}/copyright" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

set(VERSION "${CPACK_PACKAGE_VERSION}")
set(MAINTAINER "${CPACK_PACKAGE_CONTACT}")
configure_file("${CPACK_GLIMMER_PACKAGING_DIR}/changelog.in" "${CPACK_TEMPORARY_DIRECTORY}/changelog" @ONLY)
compress("${CPACK_TEMPORARY_DIRECTORY}/changelog" "${doc}/changelog.gz")
file(REMOVE "${CPACK_TEMPORARY_DIRECTORY}/changelog")

set(overrides "${root}/share/lintian/overrides")
file(MAKE_DIRECTORY "${overrides}")
file(COPY_FILE "${CPACK_GLIMMER_PACKAGING_DIR}/lintian-overrides" "${overrides}/glimmerfolding")
file(CHMOD "${overrides}/glimmerfolding" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

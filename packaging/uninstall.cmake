# Removes what `cmake --install` put in place from this build folder, as its install_manifest.txt
# lists it, then the show's own folders (those named glimmerfolding and what is below them) that are
# left empty; folders that others share, such as bin, stay. Run by the uninstall target:
#   cmake -D MANIFEST=BUILD/install_manifest.txt -P uninstall.cmake
# The manifest goes too once everything in it is gone, so a second run says there is nothing to do.
if(NOT EXISTS "${MANIFEST}")
  message(STATUS "Nothing to uninstall: ${MANIFEST} is missing (cmake --install writes it, listing "
                 "what it installed from this build folder)")
  return()
endif()

file(STRINGS "${MANIFEST}" files)
set(folders "")
set(left "")
foreach(file IN LISTS files)
  set(path "$ENV{DESTDIR}${file}")
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    message(STATUS "Removing: ${path}")
    file(REMOVE "${path}")
    if(EXISTS "${path}" OR IS_SYMLINK "${path}")
      list(APPEND left "${path}")
    endif()
  else()
    message(STATUS "Already gone: ${path}")
  endif()
  # The show's folders above the file, deepest first.
  cmake_path(GET path PARENT_PATH folder)
  while(folder MATCHES "/glimmerfolding(/|$)")
    list(APPEND folders "${folder}")
    cmake_path(GET folder PARENT_PATH folder)
  endwhile()
endforeach()

# Deepest first, so that a folder is empty by the time its parent is tried.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
  if(IS_DIRECTORY "${folder}")
    file(GLOB entries "${folder}/*" "${folder}/.*")
    if(NOT entries)
      message(STATUS "Removing: ${folder}/")
      file(REMOVE_RECURSE "${folder}")  # empty
    endif()
  endif()
endforeach()

if(left)
  list(JOIN left ", " left)
  message(FATAL_ERROR "Could not remove ${left} (run as the user who installed them)")
endif()
file(REMOVE "${MANIFEST}")

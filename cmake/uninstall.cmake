# Removes what `cmake --install` put in place: every file named in the install manifest, then the
# directories of Dirhop's own (share/dirhop, share/doc/dirhop) once they are empty. Directories
# that other programs share (bin, share/man/man1, ...) stay.
#
# Usage: cmake -DDIRHOP_INSTALL_MANIFEST=<build>/install_manifest.txt -P cmake/uninstall.cmake
# (the `uninstall` target of the build does this).
cmake_minimum_required(VERSION 3.25)

if(NOT EXISTS "${DIRHOP_INSTALL_MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: ${DIRHOP_INSTALL_MANIFEST} is missing "
                      "(it is written by `cmake --install` in this build directory)")
endif()
file(STRINGS "${DIRHOP_INSTALL_MANIFEST}" files)
set(own_directories "")
foreach(file IN LISTS files)
  if(IS_SYMLINK "${file}" OR EXISTS "${file}")
    message(STATUS "Removing: ${file}")
    file(REMOVE "${file}")
  endif()
  get_filename_component(directory "${file}" DIRECTORY)
  get_filename_component(name "${directory}" NAME)
  if(name STREQUAL "dirhop")
    list(APPEND own_directories "${directory}")
  endif()
endforeach()
list(REMOVE_DUPLICATES own_directories)
foreach(directory IN LISTS own_directories)
  file(GLOB left "${directory}/*" "${directory}/.*")
  if(IS_DIRECTORY "${directory}" AND NOT left)
    message(STATUS "Removing: ${directory}")
    file(REMOVE_RECURSE "${directory}")  # empty, as checked just above
  endif()
endforeach()

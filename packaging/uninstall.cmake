# SPDX-License-Identifier: MIT
# Undoes a `cmake --install`: removes every file the install manifest lists, then each folder of the
# program's own (a folder named mira.nol, and the folders below it) that is left empty. Folders shared
# with other programs (bin/, share/applications/, the icon theme) stay, as do files it did not list.
#
#   cmake --build build --target uninstall
#   cmake -D MANIFEST=build/install_manifest.txt -D DESTDIR_FILE=build/install_destdir.txt \
#         -P packaging/uninstall.cmake
# The manifest names the files where they are used; an install made with DESTDIR (a package being put
# together) put them below that folder, which DESTDIR_FILE records, and only those copies are removed.
if(NOT DEFINED MANIFEST)
  message(FATAL_ERROR "uninstall: give the install manifest: cmake -D MANIFEST=<build>/install_manifest.txt -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "uninstall: ${MANIFEST} does not exist: nothing was installed from that build folder, "
                      "or it was uninstalled already")
endif()

set(destdir "")
if(DEFINED DESTDIR_FILE AND EXISTS "${DESTDIR_FILE}")
  file(READ "${DESTDIR_FILE}" destdir)
endif()
if(NOT destdir STREQUAL "")
  message(STATUS "The last install wrote below ${destdir}; removing the files there")
endif()

file(STRINGS "${MANIFEST}" listed)
set(installed "")
foreach(path IN LISTS listed)
  list(APPEND installed "${destdir}${path}")
endforeach()
set(folders "")
foreach(path IN LISTS installed)
  if(IS_DIRECTORY "${path}" AND NOT IS_SYMLINK "${path}")
    # A manifest lists files; a folder in its place is someone else's and is left alone.
    message(STATUS "Not a file, left: ${path}")
  elseif(EXISTS "${path}" OR IS_SYMLINK "${path}")
    message(STATUS "Removing: ${path}")
    file(REMOVE "${path}")
  else()
    message(STATUS "Already gone: ${path}")
  endif()
  get_filename_component(folder "${path}" DIRECTORY)
  while(folder MATCHES "/mira\\.nol(/|$)")
    list(APPEND folders "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()

# Deepest first, so a folder is empty once its subfolders are gone; rmdir removes only empty ones.
list(REMOVE_DUPLICATES folders)
list(SORT folders)
list(REVERSE folders)
foreach(folder IN LISTS folders)
  if(IS_DIRECTORY "${folder}")
    execute_process(COMMAND rmdir "${folder}" RESULT_VARIABLE kept ERROR_QUIET)
    if(kept EQUAL 0)
      message(STATUS "Removing: ${folder}/")
    endif()
  endif()
endforeach()
file(REMOVE "${MANIFEST}")
if(DEFINED DESTDIR_FILE)
  file(REMOVE "${DESTDIR_FILE}")
endif()

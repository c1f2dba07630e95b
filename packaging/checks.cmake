# SPDX-License-Identifier: MIT
# The checks of what gets installed and packaged (label packaging). The launcher entry, the manual
# page and the software centre's description are checked as this build folder made them. The install
# itself and the Debian package are checked in a build folder of their own, configured and built by
# the first check: installing from this one would replace its install_manifest.txt, which undoes a
# user's own install.

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  add_test(NAME packaging.desktop_entry_is_valid
           COMMAND ${DESKTOP_FILE_VALIDATE} ${CMAKE_CURRENT_BINARY_DIR}/mira.nol.desktop)
  set_tests_properties(packaging.desktop_entry_is_valid PROPERTIES LABELS packaging)
else()
  message(STATUS "desktop-file-validate not found: the launcher entry is not checked")
endif()

add_test(NAME packaging.desktop_mime_types_are_known
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-mime-types.sh ${CMAKE_CURRENT_BINARY_DIR}/mira.nol.desktop)
set_tests_properties(packaging.desktop_mime_types_are_known PROPERTIES LABELS packaging SKIP_RETURN_CODE 77)

find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  add_test(NAME packaging.metainfo_is_valid COMMAND ${APPSTREAMCLI} validate --no-net ${metainfo})
  set_tests_properties(packaging.metainfo_is_valid PROPERTIES LABELS packaging)
else()
  message(STATUS "appstreamcli not found: the software centre's description is not checked")
endif()

add_test(NAME packaging.man_page COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-man.sh ${CMAKE_CURRENT_BINARY_DIR}/mira.nol.1)
set_tests_properties(packaging.man_page PROPERTIES LABELS packaging SKIP_RETURN_CODE 77)

# A sanitizer build checks the code, not the installed layout, which the normal build checks; a
# second, uninstrumented build of the whole program there would only double the run.
if(NOT TARGET mira_nol OR CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  return()
endif()
# Configured with the default prefix, as a user's build folder is: the package must land in /usr all
# the same.
set(tree ${CMAKE_CURRENT_BINARY_DIR}/check-tree)
set(tree_args -G ${CMAKE_GENERATOR} -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DMIRA_BUILD_TESTS=OFF
              -DMIRA_BUILD_BENCHMARKS=OFF -DMIRA_WERROR=${MIRA_WERROR}
              -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER} -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER})
foreach(lang C CXX)
  if(CMAKE_${lang}_COMPILER_LAUNCHER)
    list(APPEND tree_args -DCMAKE_${lang}_COMPILER_LAUNCHER=${CMAKE_${lang}_COMPILER_LAUNCHER})
  endif()
endforeach()
add_test(NAME packaging.build_tree
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/build-tree.sh ${PROJECT_SOURCE_DIR} ${tree} ${tree_args})
# The build takes every core for minutes; alone, it cannot slow down the timed end-to-end cases.
set_tests_properties(packaging.build_tree PROPERTIES LABELS packaging FIXTURES_SETUP packaging_tree TIMEOUT 3600
                                                     RUN_SERIAL TRUE)

add_test(NAME packaging.install_layout
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-install.sh ${tree} ${CMAKE_CURRENT_BINARY_DIR}/install-check)
# Both install from the tree, and an install rewrites the tree's manifest: never at the same time.
set_tests_properties(packaging.install_layout PROPERTIES LABELS packaging FIXTURES_REQUIRED packaging_tree
                                                         RESOURCE_LOCK packaging_tree)

add_test(NAME packaging.deb COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-deb.sh ${tree})
set_tests_properties(packaging.deb PROPERTIES LABELS packaging FIXTURES_REQUIRED packaging_tree
                                              RESOURCE_LOCK packaging_tree SKIP_RETURN_CODE 77 TIMEOUT 600)

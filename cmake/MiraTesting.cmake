# SPDX-License-Identifier: MIT
# Helpers that every test folder uses, so suites and benchmarks are registered the same way.
#
#   mira_add_gtest(NAME <target> SOURCES <files...> LIBS <libs...> [LABELS <labels...>])
#   mira_add_benchmark(NAME <target> SOURCES <files...> LIBS <libs...>)
#
# Benchmarks are built into ${CMAKE_BINARY_DIR}/bench and are never part of the test run:
# `make bench` runs them by hand.

function(mira_add_gtest)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  # Helpers shared by suites of several folders live in tests/support/.
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${T_NAME}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES LABELS "${T_LABELS}"
    DISCOVERY_TIMEOUT 60)
endfunction()

function(mira_add_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT MIRA_BUILD_BENCHMARKS)
    return()
  endif()
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
  set_target_properties(${B_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()

# SPDX-License-Identifier: MIT
# Component framework suites, run on the headless backend.
mira_add_gtest(NAME ComponentsTest
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/components/ComponentTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/components/RoutingTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/components/TimerTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/components/ListBoxTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/components/PaintTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/components/FormTest.cpp
  LIBS mira_backend_headless mira_framework
  LABELS framework)

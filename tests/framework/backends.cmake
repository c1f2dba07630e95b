# SPDX-License-Identifier: MIT
# The window's scale as the desktop asks for it: no server needed.
if(TARGET mira_backend_sdl2)
  mira_add_gtest(NAME WindowScaleTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/backends/WindowScaleTest.cpp
    LIBS mira_backend_sdl2
    LABELS framework)
  mira_add_gtest(NAME WaitSetTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/backends/WaitSetTest.cpp
    LIBS mira_backend_sdl2
    LABELS framework)
endif()
# The SDL2 backend on a real (virtual) X server. Each test process starts its own Xvfb and skips
# only when Xvfb is not installed. Injecting input needs the XTEST client library.
if(TARGET mira_backend_sdl2)
  find_package(X11 REQUIRED)
  if(TARGET X11::Xtst)
    mira_add_gtest(NAME Sdl2BackendTest
      SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/backends/Sdl2BackendTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/backends/Sdl2FormTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/backends/Sdl2OtherServersTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/backends/Sdl2ScaleTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/backends/XvfbServer.cpp
        ${CMAKE_CURRENT_LIST_DIR}/backends/XClient.cpp
      LIBS mira_backend_sdl2 mira_framework X11::X11 X11::Xext X11::Xtst
      LABELS framework xvfb)
  else()
    message(WARNING "libXtst development files missing: the SDL2 backend tests are not built")
  endif()
endif()

# SPDX-License-Identifier: MIT
# The component framework (components, backend interface) and the headless backend.
# Included by framework/CMakeLists.txt after the graphics core.

add_library(mira_framework STATIC
  ${CMAKE_CURRENT_LIST_DIR}/components/TComponent.cpp
  ${CMAKE_CURRENT_LIST_DIR}/components/TControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/components/TGraphicControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/components/TPictureControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/components/TImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/components/TLabel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/components/TTimer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/components/TListBoxItems.cpp
  ${CMAKE_CURRENT_LIST_DIR}/components/TCustomListBox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/components/TCustomListBoxPaint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/components/TForm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/components/TApplication.cpp
)
target_include_directories(mira_framework PUBLIC ${CMAKE_SOURCE_DIR}/framework)
target_link_libraries(mira_framework PUBLIC mira_graphics Threads::Threads)

add_library(mira_backend_headless STATIC
  ${CMAKE_CURRENT_LIST_DIR}/backends/headless/HeadlessBackend.cpp
)
# Text is drawn by the SDL2 backend's glyph renderer, which needs no display (see HeadlessBackend.cpp).
target_link_libraries(mira_backend_headless PUBLIC mira_framework mira_fonts_sdl2)

if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/backends/sdl2/CMakeLists.txt)
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/backends/sdl2 ${CMAKE_CURRENT_BINARY_DIR}/backends/sdl2)
endif()

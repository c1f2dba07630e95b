# SPDX-License-Identifier: MIT
# Suites and the benchmark of the graphics core.
mira_add_gtest(NAME GraphicsTest
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/graphics/BitmapTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphics/BmpFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphics/CanvasTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphics/FontTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphics/FontEngineTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphics/FineTextTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphics/RegionTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphics/ImageListTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphics/PictureTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphics/WithGlyphs.cpp
  LIBS mira_graphics mira_fonts_sdl2
  LABELS framework graphics)

mira_add_benchmark(NAME GraphicsBench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/graphics/GraphicsBench.cpp
  LIBS mira_graphics)

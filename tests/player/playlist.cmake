# SPDX-License-Identifier: MIT
# The playlist reader, built from its own sources so the suite needs nothing else of the player.
mira_add_gtest(NAME PlayListTest
  SOURCES PlayListTest.cpp ${PROJECT_SOURCE_DIR}/player/PlayList.cpp ${PROJECT_SOURCE_DIR}/platform/ProblemReport.cpp
  LIBS
  LABELS player)
target_include_directories(PlayListTest PRIVATE ${PROJECT_SOURCE_DIR})

// SPDX-License-Identifier: MIT
// Loading a shared object by bare name from an ordered list of folders.
#include "platform/TDynamicLibrary.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <stdlib.h>

namespace fs = std::filesystem;

namespace {

class DynamicLibrary : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "mira-dynlib-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    FRoot = pattern;
    fs::create_directories(FRoot / "first");
    fs::create_directories(FRoot / "second");
  }
  void TearDown() override { fs::remove_all(FRoot); }

  fs::path FRoot;
};

TEST_F(DynamicLibrary, the_first_folder_holding_a_loadable_copy_wins) {
  fs::copy_file(MIRA_TEST_DYNLIB, FRoot / "second" / "lib.so");
  const std::array<fs::path, 3> folders{fs::path(), FRoot / "first", FRoot / "second"};
  auto library = TDynamicLibrary::OpenByName("lib.so", folders);
  ASSERT_TRUE(library);
  EXPECT_EQ(library->Path(), FRoot / "second" / "lib.so");
  auto answer = reinterpret_cast<int (*)()>(library->Symbol("mira_test_answer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  // Only exported names resolve.
  EXPECT_EQ(library->Symbol("mira_test_hidden"), nullptr);
  EXPECT_EQ(library->Symbol("no_such_name"), nullptr);
}

TEST_F(DynamicLibrary, a_broken_copy_is_passed_over_and_nothing_loadable_gives_nothing) {
  {
    std::ofstream broken(FRoot / "first" / "lib.so");
    broken << "not a shared object";
  }
  fs::create_directories(FRoot / "second" / "lib.so");  // a folder of that name is no library either
  const std::array<fs::path, 2> folders{FRoot / "first", FRoot / "second"};
  EXPECT_FALSE(TDynamicLibrary::OpenByName("lib.so", folders));

  fs::remove(FRoot / "second" / "lib.so");
  fs::copy_file(MIRA_TEST_DYNLIB, FRoot / "second" / "lib.so");
  auto library = TDynamicLibrary::OpenByName("lib.so", folders);
  ASSERT_TRUE(library);
  EXPECT_EQ(library->Path(), FRoot / "second" / "lib.so");
}

}  // namespace

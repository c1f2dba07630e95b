// SPDX-License-Identifier: MIT
// Loading a shared object by bare name from an ordered list of folders, and the reasons when none loads.
#include "platform/TDynamicLibrary.h"
#include "platform/ProblemReport.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>
#include <vector>

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
  const std::array<fs::path, 3> folders{FRoot / "first", FRoot / "second", FRoot / "third"};
  std::vector<std::string> reasons;
  const TResult<TDynamicLibrary> refused = TDynamicLibrary::OpenByName("lib.so", folders, &reasons);
  EXPECT_FALSE(refused);
  // The failure names the copy that would not load; the folder of that name was no candidate.
  EXPECT_NE(refused.Error().find((FRoot / "first" / "lib.so").string()), std::string::npos) << refused.Error();
  EXPECT_EQ(refused.Error().find((FRoot / "second" / "lib.so").string()), std::string::npos) << refused.Error();
  // One reason for each copy passed over, each naming its file.
  ASSERT_EQ(reasons.size(), 3u);
  EXPECT_EQ(reasons[0].rfind((FRoot / "first" / "lib.so").string() + ": ", 0), 0u) << reasons[0];
  EXPECT_EQ(reasons[1], (FRoot / "second" / "lib.so").string() + ": not a file");
  EXPECT_EQ(reasons[2], (FRoot / "third" / "lib.so").string() + ": no such file");

  fs::remove(FRoot / "second" / "lib.so");
  fs::copy_file(MIRA_TEST_DYNLIB, FRoot / "second" / "lib.so");
  reasons.clear();
  auto library = TDynamicLibrary::OpenByName("lib.so", folders, &reasons);
  ASSERT_TRUE(library);
  EXPECT_EQ(library->Path(), FRoot / "second" / "lib.so");
  EXPECT_EQ(reasons.size(), 1u);
}

TEST(ProblemReport, a_report_is_one_line_whatever_the_names_in_it_hold) {
  EXPECT_EQ(ProblemLine("cannot open /x/data/play.lst: No such file or directory"),
            "mira.nol: cannot open /x/data/play.lst: No such file or directory");
  // A line end or an escape sequence in a file name would split the line or steer the terminal.
  EXPECT_EQ(ProblemLine(std::string("a\nb\rc\x1b[2Jd\x7f\te") + '\0' + "f"),
            "mira.nol: a\\x0ab\\x0dc\\x1b[2Jd\\x7f\\x09e\\x00f");
  // Bytes of other scripts pass unchanged.
  EXPECT_EQ(ProblemLine("caf\xc3\xa9 \xff"), "mira.nol: caf\xc3\xa9 \xff");
}

TEST_F(DynamicLibrary, finding_no_copy_says_where_it_looked) {
  const std::array<fs::path, 3> folders{FRoot / "first", fs::path(), FRoot / "second"};
  const TResult<TDynamicLibrary> none = TDynamicLibrary::OpenByName("lib.so", folders);
  ASSERT_FALSE(none);
  EXPECT_EQ(none.Error(), "no lib.so in " + (FRoot / "first").string() + ", " + (FRoot / "second").string());
  EXPECT_EQ(TDynamicLibrary::OpenByName("lib.so", {}).Error(), "no lib.so in any folder");
}

}  // namespace

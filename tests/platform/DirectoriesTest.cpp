// SPDX-License-Identifier: MIT
// The per-user library directory and the program's own folder.
#include "platform/Directories.h"
#include "platform/Environment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Runs each case with its own HOME and XDG_CACHE_HOME, restored afterwards.
class SystemDirectoryTest : public ::testing::Test {
protected:
  void SetUp() override {
    FSavedHome = EnvironmentVariable("HOME");
    FSavedCache = EnvironmentVariable("XDG_CACHE_HOME");
    std::string pattern = (fs::temp_directory_path() / "mira-dirs-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    FRoot = pattern;
  }
  void TearDown() override {
    Restore("HOME", FSavedHome);
    Restore("XDG_CACHE_HOME", FSavedCache);
    fs::remove_all(FRoot);
  }
  static void Restore(const char* name, const std::optional<std::string>& value) {
    if (value)
      SetEnvironmentVariable(name, *value);
    else
      unsetenv(name);
  }
  static mode_t Mode(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
  }

  fs::path FRoot;
  std::optional<std::string> FSavedHome;
  std::optional<std::string> FSavedCache;
};

TEST_F(SystemDirectoryTest, lives_in_the_xdg_cache_folder_and_is_created_private) {
  ASSERT_TRUE(SetEnvironmentVariable("XDG_CACHE_HOME", (FRoot / "cache").string()));
  auto dir = SystemDirectory();
  ASSERT_TRUE(dir);
  EXPECT_EQ(*dir, FRoot / "cache" / "mira.nol");
  EXPECT_TRUE(fs::is_directory(*dir));
  EXPECT_EQ(Mode(*dir), 0700u);
  EXPECT_EQ(Mode(FRoot / "cache"), 0700u);
  // A second start finds it as it is.
  EXPECT_EQ(SystemDirectory(), dir);
}

TEST_F(SystemDirectoryTest, falls_back_to_the_home_cache_when_xdg_is_unset_empty_or_relative) {
  ASSERT_TRUE(SetEnvironmentVariable("HOME", FRoot.string()));
  const fs::path expected = FRoot / ".cache" / "mira.nol";
  for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/cache"}) {
    SCOPED_TRACE(xdg ? xdg : "(unset)");
    if (xdg)
      SetEnvironmentVariable("XDG_CACHE_HOME", xdg);
    else
      unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(SystemDirectory(), expected);
  }
  EXPECT_FALSE(fs::exists("relative"));
}

TEST_F(SystemDirectoryTest, gives_nothing_when_the_folder_cannot_be_made) {
  { std::ofstream plain(FRoot / "plain"); }
  ASSERT_TRUE(SetEnvironmentVariable("XDG_CACHE_HOME", (FRoot / "plain").string()));
  std::string why;
  EXPECT_EQ(SystemDirectory(&why), std::nullopt);
  // The reason names the folder that could not be made.
  EXPECT_EQ(why, "cannot make " + (FRoot / "plain").string() + ": a file of that name is in the way");
  // A file where the folder belongs is no folder either.
  { std::ofstream file(FRoot / "mira.nol"); }
  ASSERT_TRUE(SetEnvironmentVariable("XDG_CACHE_HOME", FRoot.string()));
  EXPECT_EQ(SystemDirectory(&why), std::nullopt);
  EXPECT_EQ(why, "cannot make " + (FRoot / "mira.nol").string() + ": a file of that name is in the way");
}

TEST(ProgramDirectory, is_the_folder_of_the_running_executable) {
  auto dir = ProgramDirectory();
  ASSERT_TRUE(dir);
  EXPECT_TRUE(dir->is_absolute());
  EXPECT_TRUE(fs::exists(*dir / "PlatformTest"));
}

TEST(Environment, set_variables_read_back_and_bad_names_are_refused) {
  EXPECT_TRUE(SetEnvironmentVariable("MIRA_TEST_VAR", "set"));
  EXPECT_EQ(EnvironmentVariable("MIRA_TEST_VAR"), "set");
  EXPECT_TRUE(SetEnvironmentVariable("MIRA_TEST_VAR", ""));
  EXPECT_EQ(EnvironmentVariable("MIRA_TEST_VAR"), "");
  unsetenv("MIRA_TEST_VAR");
  EXPECT_EQ(EnvironmentVariable("MIRA_TEST_VAR"), std::nullopt);
  EXPECT_FALSE(SetEnvironmentVariable("", "x"));
  EXPECT_FALSE(SetEnvironmentVariable("A=B", "x"));
}

}  // namespace

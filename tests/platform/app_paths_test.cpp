#include "platform/app_paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <map>
#include <optional>
#include <string>

#include "support/scratch_dir.h"

namespace chronolin {
namespace {

namespace fs = std::filesystem;

// A temporary directory, and the path variables pointed away from the real home for the test.
class AppPathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_.path();
    for (const char* var : {"CHRONOLIN_HOME", "XDG_CONFIG_HOME", "HOME"}) {
      const char* old = ::getenv(var);
      saved_[var] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    ::setenv("HOME", (dir_ / "home").c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("CHRONOLIN_HOME");
  }
  void TearDown() override {
    for (const auto& [var, old] : saved_) {
      if (old)
        ::setenv(var.c_str(), old->c_str(), 1);
      else
        ::unsetenv(var.c_str());
    }
  }

  testing::TempDir scratch_;
  fs::path dir_;
  std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(AppPathsTest, ChronolinHomeWinsAndIsCreated) {
  const auto home = dir_ / "a" / "b";
  ::setenv("CHRONOLIN_HOME", home.c_str(), 1);
  EXPECT_EQ(ProgramDirectory(), home);
  EXPECT_TRUE(fs::is_directory(home));
  EXPECT_EQ(SettingsPath(), home / "Chronolin.ini");
  EXPECT_EQ(JournalPath(), home / "Connexions.txt");
}

TEST_F(AppPathsTest, WithoutOverrideTheExecutableDirectoryIsUsedWhenWritable) {
  const auto exe = ExecutablePath();
  ASSERT_TRUE(exe.is_absolute());
  EXPECT_EQ(exe.filename(), "platform_tests");
  ::setenv("CHRONOLIN_HOME", "", 1);  // empty counts as unset
  const auto dir = exe.parent_path();
  if (::access(dir.c_str(), W_OK) == 0) {
    EXPECT_EQ(ProgramDirectory(), dir);
  } else {
    EXPECT_EQ(ProgramDirectory(), dir_ / "home" / ".config" / "chronolin");
  }
}

TEST_F(AppPathsTest, ConfigDirectoryFollowsXdgConfigHome) {
  EXPECT_EQ(ConfigDirectory(), dir_ / "home" / ".config" / "chronolin");
  EXPECT_TRUE(fs::is_directory(dir_ / "home" / ".config" / "chronolin"));

  ::setenv("XDG_CONFIG_HOME", (dir_ / "xdg").c_str(), 1);
  EXPECT_EQ(ConfigDirectory(), dir_ / "xdg" / "chronolin");
  EXPECT_TRUE(fs::is_directory(dir_ / "xdg" / "chronolin"));

  ::setenv("XDG_CONFIG_HOME", "relative/dir", 1);  // not absolute: ignored
  EXPECT_EQ(ConfigDirectory(), dir_ / "home" / ".config" / "chronolin");
}

}  // namespace
}  // namespace chronolin

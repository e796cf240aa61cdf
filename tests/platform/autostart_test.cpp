#include "platform/autostart.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/files.h"
#include "support/scratch_dir.h"

namespace chronolin {
namespace {

namespace fs = std::filesystem;

class AutostartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = scratch_.path();
    for (const char* var : {"XDG_CONFIG_HOME", "HOME"}) {
      const char* value = std::getenv(var);
      saved_.emplace_back(var, value ? std::optional<std::string>(value) : std::nullopt);
    }
    ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
  }
  void TearDown() override {
    for (const auto& [var, value] : saved_) {
      value ? ::setenv(var, value->c_str(), 1) : ::unsetenv(var);
    }
  }
  static std::string Slurp(const fs::path& file) { return testing::ReadFile(file); }

  testing::TempDir scratch_;
  fs::path root_;
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(AutostartTest, EntryNamedAfterTheExecutableIsWrittenAndRemoved) {
  const fs::path exe = "/opt/chronolin/bin/chronolin";
  const fs::path entry = root_ / "config" / "autostart" / "chronolin.desktop";
  ASSERT_TRUE(SetAutostart(true, exe));  // the folder is created on the way
  EXPECT_EQ(Slurp(entry),
            "[Desktop Entry]\nType=Application\nName=Chronolin\n"
            "Exec=/opt/chronolin/bin/chronolin\nTerminal=false\n");

  // After a rename only the entry of the current name goes.
  ASSERT_TRUE(SetAutostart(true, "/opt/chronolin/bin/chrono2"));
  EXPECT_TRUE(SetAutostart(false, "/opt/chronolin/bin/chrono2"));
  EXPECT_TRUE(fs::exists(entry));
  EXPECT_TRUE(SetAutostart(false, exe));
  EXPECT_TRUE(SetAutostart(false, exe));  // nothing left to remove
  EXPECT_TRUE(fs::is_empty(entry.parent_path()));
}

TEST_F(AutostartTest, PathsTheExecSyntaxWouldSplitAreQuoted) {
  EXPECT_NE(AutostartEntryText("/home/moi/mes outils/chronolin")
                .find("\nExec=\"/home/moi/mes outils/chronolin\"\n"),
            std::string::npos);
  // "$" and "\" escaped inside the quotes, then "\" and "%" escaped once more for the value.
  EXPECT_NE(AutostartEntryText("/opt/a$b\\c/100%/chronolin")
                .find("\nExec=\"/opt/a\\\\$b\\\\\\\\c/100%%/chronolin\"\n"),
            std::string::npos);
}

TEST_F(AutostartTest, NothingHappensWhenTheFolderCannotBeWritten) {
  // A plain file where the folder should be: nothing can be created in it.
  fs::create_directories(root_ / "config");
  std::ofstream(root_ / "config" / "autostart") << "not a folder";
  EXPECT_FALSE(SetAutostart(true, "/usr/bin/chronolin"));
  EXPECT_FALSE(SetAutostart(false, "/usr/bin/chronolin"));
  EXPECT_EQ(Slurp(root_ / "config" / "autostart"), "not a folder");
  // A path no entry can hold is refused the same way.
  fs::remove(root_ / "config" / "autostart");
  EXPECT_FALSE(SetAutostart(true, "/opt/two\nlines/chronolin"));
  EXPECT_FALSE(fs::exists(root_ / "config" / "autostart" / "chronolin.desktop"));
}

TEST_F(AutostartTest, HomeConfigWhenXdgConfigHomeIsUnsetOrRelative) {
  ::setenv("HOME", (root_ / "home").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_EQ(AutostartDirectory(), root_ / "home" / ".config" / "autostart");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(AutostartDirectory(), root_ / "home" / ".config" / "autostart");
}

}  // namespace
}  // namespace chronolin

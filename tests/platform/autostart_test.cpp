#include "platform/autostart.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <optional>

namespace chronolin {
namespace {

namespace fs = std::filesystem;

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class AutostartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "chronolin-autostart-XXXXXX").string();
    ASSERT_NE(::mkdtemp(name.data()), nullptr);
    root_ = name;
    config_.emplace("XDG_CONFIG_HOME", (root_ / "config").c_str());
  }
  void TearDown() override {
    config_.reset();
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  static std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path root_;
  std::optional<ScopedEnv> config_;
};

TEST_F(AutostartTest, EntryNamedAfterTheExecutableIsWrittenAndRemoved) {
  const fs::path exe = "/opt/chronolin/bin/chronolin";
  const fs::path entry = root_ / "config" / "autostart" / "chronolin.desktop";
  EXPECT_EQ(AutostartEntryPath(exe), entry);

  ASSERT_TRUE(SetAutostart(true, exe));  // the folder is created on the way
  EXPECT_EQ(Slurp(entry),
            "[Desktop Entry]\nType=Application\nName=Chronolin\n"
            "Exec=/opt/chronolin/bin/chronolin\nTerminal=false\n");
  EXPECT_TRUE(SetAutostart(true, exe));  // rewriting is harmless
  EXPECT_TRUE(fs::exists(entry));

  // After a rename only the entry of the current name goes.
  ASSERT_TRUE(SetAutostart(true, "/opt/chronolin/bin/chrono2"));
  EXPECT_TRUE(SetAutostart(false, "/opt/chronolin/bin/chrono2"));
  EXPECT_FALSE(fs::exists(entry.parent_path() / "chrono2.desktop"));
  EXPECT_TRUE(fs::exists(entry));
  EXPECT_TRUE(SetAutostart(false, exe));
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_TRUE(SetAutostart(false, exe));  // nothing to remove
  EXPECT_EQ(std::distance(fs::directory_iterator(entry.parent_path()), {}), 0);
}

TEST_F(AutostartTest, PathsTheExecSyntaxWouldSplitAreQuoted) {
  EXPECT_NE(AutostartEntryText("/home/moi/mes outils/chronolin")
                .find("\nExec=\"/home/moi/mes outils/chronolin\"\n"),
            std::string::npos);
  // "$" and "\" escaped inside the quotes, then "\" and "%" escaped once more for the value.
  EXPECT_NE(AutostartEntryText("/opt/a$b\\c/100%/chronolin")
                .find("\nExec=\"/opt/a\\\\$b\\\\\\\\c/100%%/chronolin\"\n"),
            std::string::npos);
  EXPECT_NE(AutostartEntryText("/opt/100%/chronolin").find("\nExec=/opt/100%%/chronolin\n"),
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
  const ScopedEnv home("HOME", (root_ / "home").c_str());
  {
    const ScopedEnv unset("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(AutostartDirectory(), root_ / "home" / ".config" / "autostart");
  }
  const ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
  EXPECT_EQ(AutostartDirectory(), root_ / "home" / ".config" / "autostart");
}

}  // namespace
}  // namespace chronolin

// From the command line of an application entry to the program and its arguments.
#include "counter/command_line.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "fakes.h"

namespace chronolin::testing {
namespace {

using Words = std::vector<std::string>;

TEST(LauncherCommandLineTest, SplitsLikeAShellWithoutExpanding) {
  EXPECT_EQ(SplitCommandWords("  prog  -a\tb\n"), (Words{"prog", "-a", "b"}));
  EXPECT_EQ(SplitCommandWords("'/opt/My App/run' --x"), (Words{"/opt/My App/run", "--x"}));
  EXPECT_EQ(SplitCommandWords(R"("a \"b\" \\ \$ \n" c)"), (Words{R"(a "b" \ $ \n)", "c"}));
  EXPECT_EQ(SplitCommandWords(R"(my\ prog 'it''s' \'x)"), (Words{"my prog", "its", "'x"}));
  EXPECT_EQ(SplitCommandWords("a '' \"\" b"), (Words{"a", "", "", "b"}));
  EXPECT_EQ(SplitCommandWords("prog \\\n--go"), (Words{"prog", "--go"}));
  // No expansion of any kind: variables, home, globs, separators stay as written.
  EXPECT_EQ(SplitCommandWords("$HOME ~ *.txt a;b |"), (Words{"$HOME", "~", "*.txt", "a;b", "|"}));
  EXPECT_EQ(SplitCommandWords("trailing\\"), (Words{"trailing\\"}));
  EXPECT_EQ(SplitCommandWords("   "), Words{});
  EXPECT_FALSE(SplitCommandWords("'open"));
  EXPECT_FALSE(SplitCommandWords("\"open \\\""));
}

class ResolveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.path() / "My Apps" / "bin");
    Make(dir.path() / "My Apps" / "run me", 0755);
    Make(dir.path() / "My Apps" / "bin" / "tool", 0755);
    Make(dir.path() / "My Apps" / "notes", 0644);
  }
  static void Make(const std::filesystem::path& path, mode_t mode) {
    WriteFile(path, "#!/bin/sh\n");
    ::chmod(path.c_str(), mode);
  }
  std::string Path(const std::string& relative) const { return (dir.path() / relative).string(); }
  std::string SearchPath() const { return "/nonexistent:" + Path("My Apps/bin"); }

  TempDir dir;
};

TEST_F(ResolveTest, WholeTextNamingAnExecutableIsRunAsItIs) {
  const auto command = ResolveCommandLine(Path("My Apps/run me"), SearchPath());
  ASSERT_TRUE(command);
  EXPECT_EQ(command->path, Path("My Apps/run me"));
  EXPECT_EQ(command->args, Words{Path("My Apps/run me")});
}

TEST_F(ResolveTest, OtherwiseTheFirstWordIsTheProgram) {
  auto command =
      ResolveCommandLine("'" + Path("My Apps/run me") + "' -v 'two words'", SearchPath());
  ASSERT_TRUE(command);
  EXPECT_EQ(command->path, Path("My Apps/run me"));
  EXPECT_EQ(command->args, (Words{Path("My Apps/run me"), "-v", "two words"}));

  command = ResolveCommandLine("tool --go", SearchPath());
  ASSERT_TRUE(command);
  EXPECT_EQ(command->path, Path("My Apps/bin/tool"));
  EXPECT_EQ(command->args, (Words{"tool", "--go"}));
}

TEST_F(ResolveTest, NothingToStartIsEmpty) {
  EXPECT_FALSE(ResolveCommandLine("", SearchPath()));
  EXPECT_FALSE(ResolveCommandLine("  ", SearchPath()));
  EXPECT_FALSE(ResolveCommandLine(Path("My Apps/notes"), SearchPath()));           // not executable
  EXPECT_FALSE(ResolveCommandLine(Path("My Apps"), SearchPath()));                 // a directory
  EXPECT_FALSE(ResolveCommandLine(Path("My Apps/run me") + " -v", SearchPath()));  // unquoted
  EXPECT_FALSE(ResolveCommandLine("missing-tool", SearchPath()));
  EXPECT_FALSE(ResolveCommandLine("'tool", SearchPath()));
  // Only names without "/" are searched for.
  EXPECT_FALSE(ResolveCommandLine("bin/tool", SearchPath()));
}

}  // namespace
}  // namespace chronolin::testing

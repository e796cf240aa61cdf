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
  EXPECT_EQ(SplitCommandWords(R"(my\ prog 'it''s' \'x '' "")"),
            (Words{"my prog", "its", "'x", "", ""}));
  EXPECT_EQ(SplitCommandWords("prog \\\n--go trailing\\"), (Words{"prog", "--go", "trailing\\"}));
  EXPECT_EQ(SplitCommandWords("$HOME ~ *.txt a;b |"), (Words{"$HOME", "~", "*.txt", "a;b", "|"}));
  EXPECT_FALSE(SplitCommandWords("'open"));
  EXPECT_FALSE(SplitCommandWords("\"open \\\""));
}

TEST(LauncherCommandLineTest, WholeTextWhenItNamesAProgramElseTheFirstWord) {
  TempDir dir;
  const auto path = [&](const std::string& relative) { return (dir.path() / relative).string(); };
  std::filesystem::create_directories(dir.path() / "My Apps" / "bin");
  for (const auto& [name, mode] :
       {std::pair{"My Apps/run me", 0755}, {"My Apps/bin/tool", 0755}, {"My Apps/notes", 0644}}) {
    WriteFile(path(name), "#!/bin/sh\n");
    ::chmod(path(name).c_str(), mode);
  }
  const std::string search = "/nonexistent:" + path("My Apps/bin");
  const auto resolve = [&](const std::string& cmdLine) -> std::optional<Words> {
    const auto command = ResolveCommandLine(cmdLine, search);
    if (!command) return std::nullopt;
    Words result{command->path};
    result.insert(result.end(), command->args.begin(), command->args.end());
    return result;
  };

  const std::string runMe = path("My Apps/run me");
  EXPECT_EQ(resolve(runMe), (Words{runMe, runMe}));
  EXPECT_EQ(resolve("'" + runMe + "' -v 'two words'"), (Words{runMe, runMe, "-v", "two words"}));
  EXPECT_EQ(resolve("tool --go"), (Words{path("My Apps/bin/tool"), "tool", "--go"}));

  for (const std::string& unstartable :
       {std::string(), std::string("  "), path("My Apps/notes"), path("My Apps"),
        runMe + " -v" /* unquoted blank */, std::string("missing-tool"), std::string("'tool"),
        std::string("bin/tool") /* only names without "/" are searched */})
    EXPECT_FALSE(resolve(unstartable)) << unstartable;
}

}  // namespace
}  // namespace chronolin::testing

#pragma once
// From an application's command line, as the user chose it, to the file to execute and its
// arguments. Nothing goes through a shell: the text is only split into words.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chronolin {

struct ProgramCommand {
  std::string path;               // the file executed
  std::vector<std::string> args;  // args[0] is the program's name as written
};

// Splits the way a shell splits words: blanks separate, single quotes keep everything, double
// quotes keep everything but \\ \" \$ \` and a backslash-newline, an unquoted backslash keeps the
// next character. No expansion of any kind. Empty when a quote is left open.
std::optional<std::vector<std::string>> SplitCommandWords(std::string_view text);

// The whole text when it names an executable file (a full file name may hold blanks), else its
// first word with the others as arguments. A name without "/" is searched in `searchPath` (a
// PATH value). Empty when no executable file is found.
std::optional<ProgramCommand> ResolveCommandLine(const std::string& cmdLine,
                                                 std::string_view searchPath);

// $PATH, or the system's default search path when it is not set.
std::string ProgramSearchPath();

}  // namespace chronolin

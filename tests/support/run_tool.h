#pragma once
// Running a tool or a script through the shell, with its standard output and error together.
#include <string>

namespace chronolin::testing {

struct ToolRun {
  int status = -1;  // the exit status; -1 when it did not exit normally or could not start
  std::string output;
};

ToolRun RunCommand(const std::string& command);
// The argument quoted for the shell.
std::string ShellQuote(const std::string& argument);

}  // namespace chronolin::testing

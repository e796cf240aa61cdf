#pragma once
// Shared by the spreadsheet-file and chronolin-report tests: a scratch directory, running a
// command, and what xlrd and olefile see in a workbook (xls_dump.py).
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace chronolin::test {

inline std::string Data(const std::string& name) {
  return std::string(CHRONOLIN_DATA_ROOT) + "/report/" + name;
}

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "report-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

struct CommandResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Runs a shell command line; its output streams are captured.
inline CommandResult Shell(const std::string& command) {
  ScratchDir capture;
  const int raw = std::system(
      (command + " >'" + (capture / "out") + "' 2>'" + (capture / "err") + "' </dev/null").c_str());
  CommandResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadText(capture / "out");
  result.err = ReadText(capture / "err");
  return result;
}

inline std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The independent readers' view of a workbook; empty when they cannot read it.
inline std::string Dump(const std::string& path) {
  const CommandResult r =
      Shell("/usr/bin/python3 " + Quote(CHRONOLIN_XLS_DUMP) + " " + Quote(path));
  return r.status == 0 ? r.out : std::string();
}

}  // namespace chronolin::test

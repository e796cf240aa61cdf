#include "counter/command_line.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace chronolin {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

// As the shell finds a command: a name with "/" is a file name, any other is looked up in each
// directory of the search path in turn (an empty entry is the current directory).
std::optional<std::string> FindExecutable(const std::string& name, std::string_view searchPath) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (IsExecutableFile(name)) return name;
    return std::nullopt;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = searchPath.find(':', start);
    const std::string_view dir =
        searchPath.substr(start, colon == std::string_view::npos ? colon : colon - start);
    std::string candidate = dir.empty() ? name : std::string(dir) + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    if (colon == std::string_view::npos) return std::nullopt;
    start = colon + 1;
  }
}

}  // namespace

std::optional<std::vector<std::string>> SplitCommandWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;  // a quoted empty string is a word too
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') {
      if (i + 1 >= text.size()) {
        word += c;  // nothing left to escape
      } else if (text[i + 1] != '\n') {
        word += text[++i];
      } else {
        ++i;  // line continuation
        continue;
      }
      inWord = true;
    } else if (c == '\'') {
      const std::size_t close = text.find('\'', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      word.append(text.substr(i + 1, close - i - 1));
      i = close;
      inWord = true;
    } else if (c == '"') {
      inWord = true;
      for (++i;; ++i) {
        if (i >= text.size()) return std::nullopt;
        const char d = text[i];
        if (d == '"') break;
        if (d == '\\' && i + 1 < text.size()) {
          const char next = text[i + 1];
          if (next == '\n') {
            ++i;
            continue;
          }
          if (next == '\\' || next == '"' || next == '$' || next == '`') {
            word += next;
            ++i;
            continue;
          }
        }
        word += d;
      }
    } else if (IsBlank(c)) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::optional<ProgramCommand> ResolveCommandLine(const std::string& cmdLine,
                                                 std::string_view searchPath) {
  if (auto whole = FindExecutable(cmdLine, searchPath)) {
    return ProgramCommand{std::move(*whole), {cmdLine}};
  }
  auto words = SplitCommandWords(cmdLine);
  if (!words || words->empty()) return std::nullopt;
  auto path = FindExecutable(words->front(), searchPath);
  if (!path) return std::nullopt;
  return ProgramCommand{std::move(*path), std::move(*words)};
}

std::string ProgramSearchPath() {
  if (const char* path = std::getenv("PATH")) return path;
  const std::size_t size = ::confstr(_CS_PATH, nullptr, 0);
  if (size == 0) return "/bin:/usr/bin";
  std::string value(size, '\0');
  ::confstr(_CS_PATH, value.data(), size);
  value.resize(size - 1);
  return value;
}

}  // namespace chronolin

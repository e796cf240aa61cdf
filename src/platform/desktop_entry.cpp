#include "platform/desktop_entry.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string_view>
#include <system_error>

namespace chronolin {

namespace fs = std::filesystem;

namespace {

// Launchers are a few hundred bytes; anything far larger is not one.
constexpr std::uintmax_t kMaxEntrySize = 1 << 20;

using Keys = std::map<std::string, std::string, std::less<>>;

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The escapes of a string value: \s \n \t \r \\.
std::string UnescapeValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    switch (value[++i]) {
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        out += '\\';
        out += value[i];
        break;
    }
  }
  return out;
}

// The keys of the "Desktop Entry" group, the first of each name winning.
bool ReadDesktopEntry(const fs::path& file, Keys& keys) {
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  if (ec || size > kMaxEntrySize) return false;
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  bool inGroup = false;
  bool seen = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == '#') continue;
    if (text.front() == '[') {
      if (seen) break;
      inGroup = text == "[Desktop Entry]";
      seen = inGroup;
      continue;
    }
    if (!inGroup) continue;
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    keys.emplace(std::string(Trim(text.substr(0, equals))),
                 UnescapeValue(Trim(text.substr(equals + 1))));
  }
  return seen;
}

// The program of an Exec line: its first argument, quoted or not.
std::string FirstArgument(std::string_view exec) {
  const auto first = exec.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  exec.remove_prefix(first);
  std::string arg;
  if (exec.front() != '"') {
    return std::string(exec.substr(0, exec.find_first_of(" \t")));
  }
  for (std::size_t i = 1; i < exec.size(); ++i) {
    if (exec[i] == '"') return arg;
    if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
    arg += exec[i];
  }
  return {};  // unterminated quote: no program to speak of
}

bool IsExecutableFile(const fs::path& file) {
  std::error_code ec;
  return fs::is_regular_file(file, ec) && ::access(file.c_str(), X_OK) == 0;
}

bool Names(const std::string& command, const fs::path& program, const DesktopSearch& search) {
  if (command.empty()) return false;
  std::error_code ec;
  if (command.find('/') != std::string::npos) return fs::equivalent(command, program, ec);
  for (const auto& dir : search.path) {
    const fs::path candidate = dir / command;
    if (IsExecutableFile(candidate)) return fs::equivalent(candidate, program, ec);
  }
  return false;
}

std::string Localised(const Keys& keys, std::string_view key,
                      const std::vector<std::string>& locales) {
  for (const auto& locale : locales) {
    const auto it = keys.find(std::string(key) + "[" + locale + "]");
    if (it != keys.end() && !it->second.empty()) return it->second;
  }
  const auto it = keys.find(key);
  return it == keys.end() ? std::string() : it->second;
}

std::string Value(const Keys& keys, std::string_view key) {
  const auto it = keys.find(key);
  return it == keys.end() ? std::string() : it->second;
}

// The launchers of one data directory, by desktop-file ID ("kde4/foo.desktop" is "kde4-foo").
std::vector<std::pair<std::string, fs::path>> Launchers(const fs::path& dataDir) {
  std::vector<std::pair<std::string, fs::path>> found;
  const fs::path root = dataDir / "applications";
  std::error_code ec;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code typeEc;
    if (it->path().extension() != ".desktop" || !it->is_regular_file(typeEc)) continue;
    std::string id = it->path().lexically_relative(root).generic_string();
    std::replace(id.begin(), id.end(), '/', '-');
    found.emplace_back(std::move(id), it->path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<fs::path> SplitAbsolute(const char* list) {
  std::vector<fs::path> dirs;
  std::string_view rest = list ? list : "";
  while (!rest.empty()) {
    const auto colon = rest.find(':');
    const fs::path dir(std::string(rest.substr(0, colon)));
    if (dir.is_absolute()) dirs.push_back(dir);
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return dirs;
}

std::string EnvOr(const char* name, const char* fallback = "") {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

}  // namespace

std::vector<std::string> LocaleCandidates(const std::string& locale) {
  std::string_view rest = locale;
  std::string modifier;
  if (const auto at = rest.find('@'); at != std::string_view::npos) {
    modifier = rest.substr(at);
    rest = rest.substr(0, at);
  }
  rest = rest.substr(0, rest.find('.'));
  std::string lang(rest.substr(0, rest.find('_')));
  if (lang.empty() || lang == "C" || lang == "POSIX") return {};
  std::vector<std::string> names;
  const bool country = rest.find('_') != std::string_view::npos;
  if (country && !modifier.empty()) names.push_back(std::string(rest) + modifier);
  if (country) names.emplace_back(rest);
  if (!modifier.empty()) names.push_back(lang + modifier);
  names.push_back(lang);
  return names;
}

DesktopSearch DesktopSearch::FromEnvironment() {
  DesktopSearch search;
  fs::path dataHome(EnvOr("XDG_DATA_HOME"));
  if (!dataHome.is_absolute()) {
    const std::string home = EnvOr("HOME");
    dataHome = home.empty() ? fs::path() : fs::path(home) / ".local/share";
  }
  if (!dataHome.empty()) search.dataDirs.push_back(dataHome);
  auto system = SplitAbsolute(std::getenv("XDG_DATA_DIRS"));
  if (system.empty()) system = {"/usr/local/share", "/usr/share"};
  search.dataDirs.insert(search.dataDirs.end(), system.begin(), system.end());

  std::string locale = EnvOr("LC_ALL");
  if (locale.empty()) locale = EnvOr("LC_MESSAGES");
  if (locale.empty()) locale = EnvOr("LANG");
  search.locales = LocaleCandidates(locale);
  search.path = SplitAbsolute(std::getenv("PATH"));
  return search;
}

std::string DescriptionOf(const fs::path& program, const DesktopSearch& search) {
  std::error_code ec;
  if (program.empty() || !fs::is_regular_file(program, ec)) return {};
  std::set<std::string, std::less<>> seen;
  for (const auto& dataDir : search.dataDirs) {
    for (const auto& [id, file] : Launchers(dataDir)) {
      if (!seen.insert(id).second) continue;  // hidden by a launcher of higher precedence
      Keys keys;
      if (!ReadDesktopEntry(file, keys)) continue;
      if (Value(keys, "Type") != "Application" || Value(keys, "Hidden") == "true") continue;
      if (!Names(FirstArgument(Value(keys, "Exec")), program, search) &&
          !Names(Value(keys, "TryExec"), program, search)) {
        continue;
      }
      const std::string comment = Localised(keys, "Comment", search.locales);
      return comment.empty() ? Localised(keys, "Name", search.locales) : comment;
    }
  }
  return {};
}

std::string DescriptionOf(const fs::path& program) {
  return DescriptionOf(program, DesktopSearch::FromEnvironment());
}

}  // namespace chronolin

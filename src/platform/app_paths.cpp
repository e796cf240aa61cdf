#include "platform/app_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

namespace chronolin {

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

fs::path HomeDirectory() {
  if (auto home = Environment("HOME"); !home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir) {
    return found->pw_dir;
  }
  return "/";
}

// A directory that cannot be created is still returned: the first write to it then fails
// with a message naming the file, which says more than a failure here would.
fs::path Created(fs::path dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir;
}

}  // namespace

fs::path ExecutablePath() {
  std::error_code ec;
  auto path = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : path;
}

fs::path ConfigDirectory() {
  // A relative XDG_CONFIG_HOME is ignored, as the XDG base directory rules say.
  fs::path base = Environment("XDG_CONFIG_HOME");
  if (base.empty() || base.is_relative()) base = HomeDirectory() / ".config";
  return Created(base / "chronolin");
}

namespace {

bool UnderSystemPrefix(const fs::path& dir) {
  const auto normal = dir.lexically_normal();
  for (const fs::path prefix : {"/usr", "/opt"}) {
    auto it = normal.begin();
    bool under = true;
    for (const auto& part : prefix) {
      if (it == normal.end() || *it != part) {
        under = false;
        break;
      }
      ++it;
    }
    if (under) return true;
  }
  return false;
}

}  // namespace

fs::path ProgramDirectoryFor(const fs::path& executableDir) {
  if (auto home = Environment("CHRONOLIN_HOME"); !home.empty()) return Created(home);
  if (!executableDir.empty()) {
    std::error_code ec;
    // A portable copy keeps its files beside it, wherever it stands.
    if (fs::exists(executableDir / "Chronolin.ini", ec)) return executableDir;
    // An installed program (root may write anywhere) keeps them in the user's configuration.
    if (!UnderSystemPrefix(executableDir) && ::access(executableDir.c_str(), W_OK | X_OK) == 0)
      return executableDir;
  }
  return ConfigDirectory();
}

fs::path ProgramDirectory() {
  const auto exe = ExecutablePath();
  return ProgramDirectoryFor(exe.empty() ? fs::path() : exe.parent_path());
}

fs::path SettingsPath() {
  return ProgramDirectory() / "Chronolin.ini";
}

fs::path JournalPath() {
  return ProgramDirectory() / "Connexions.txt";
}

}  // namespace chronolin

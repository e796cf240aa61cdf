#include "platform/autostart.h"

#include "platform/atomic_file.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string_view>
#include <system_error>

namespace chronolin {

namespace fs = std::filesystem;

namespace {

fs::path HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return {};
}

// Characters that oblige the Exec syntax to quote an argument.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

std::string ExecValue(const std::string& path) {
  std::string arg;
  if (path.find_first_of(kReserved) == std::string::npos) {
    arg = path;
  } else {
    arg = "\"";
    for (const char c : path) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') arg += '\\';
      arg += c;
    }
    arg += '"';
  }
  // Then the escapes of the value itself: "%" starts a field code, "\" an escape.
  std::string value;
  for (const char c : arg) {
    if (c == '%') value += '%';
    if (c == '\\') value += '\\';
    value += c;
  }
  return value;
}

}  // namespace

fs::path AutostartDirectory() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME");
      config && fs::path(config).is_absolute()) {
    return fs::path(config) / "autostart";
  }
  const fs::path home = HomeDirectory();
  return home.empty() ? fs::path() : home / ".config" / "autostart";
}

fs::path AutostartEntryPath(const fs::path& executable) {
  const fs::path dir = AutostartDirectory();
  if (dir.empty()) return {};
  return dir / (executable.filename().string() + ".desktop");
}

std::string AutostartEntryText(const fs::path& executable) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Chronolin\n"
         "Exec=" +
         ExecValue(executable.string()) +
         "\n"
         "Terminal=false\n";
}

bool SetAutostart(bool enabled, const fs::path& executable) {
  const fs::path entry = AutostartEntryPath(executable);
  if (entry.empty() || executable.filename().empty()) return false;
  std::error_code ec;
  if (!enabled) {
    fs::remove(entry, ec);
    return !ec;
  }
  if (executable.string().find_first_of("\r\n") != std::string::npos) return false;
  fs::create_directories(entry.parent_path(), ec);
  if (ec) return false;

  // A whole entry or none: written aside, then renamed over the old one.
  return ReplaceFileAtomically(entry, AutostartEntryText(executable));
}

}  // namespace chronolin

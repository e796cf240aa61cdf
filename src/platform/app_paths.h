#pragma once
// Where the program keeps its files: the executable's directory when it is writable and not
// under /usr or /opt, or when a "Chronolin.ini" already stands there (a portable copy); else
// $XDG_CONFIG_HOME/chronolin (created on demand). CHRONOLIN_HOME overrides both.
#include <filesystem>

namespace chronolin {

std::filesystem::path ExecutablePath();
std::filesystem::path ProgramDirectory();
// The same choice for an executable standing in `executableDir`.
std::filesystem::path ProgramDirectoryFor(const std::filesystem::path& executableDir);
// The fallback directory: $XDG_CONFIG_HOME/chronolin, or ~/.config/chronolin; created.
std::filesystem::path ConfigDirectory();
std::filesystem::path SettingsPath();  // ProgramDirectory() / "Chronolin.ini"
std::filesystem::path JournalPath();   // ProgramDirectory() / "Connexions.txt"

}  // namespace chronolin

#pragma once
// Where the program keeps its files. "Next to the executable" on the original system; here the
// executable's directory when it is writable, else $XDG_CONFIG_HOME/chronolin (created on
// demand). CHRONOLIN_HOME overrides both.
#include <filesystem>

namespace chronolin {

std::filesystem::path ExecutablePath();
std::filesystem::path ProgramDirectory();
// The fallback directory: $XDG_CONFIG_HOME/chronolin, or ~/.config/chronolin; created.
std::filesystem::path ConfigDirectory();
std::filesystem::path SettingsPath();  // ProgramDirectory() / "Chronolin.ini"
std::filesystem::path JournalPath();   // ProgramDirectory() / "Connexions.txt"

}  // namespace chronolin

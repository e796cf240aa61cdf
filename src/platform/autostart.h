#pragma once
// Starting the program with the user's session: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/<executable file name>.desktop (~/.config/autostart by default),
// whose Exec is the executable's full path.
#include <filesystem>
#include <string>

namespace chronolin {

// The autostart folder; empty when neither XDG_CONFIG_HOME nor a home directory is known.
std::filesystem::path AutostartDirectory();

// The entry's file for an executable: the folder, then the executable's file name + ".desktop".
std::filesystem::path AutostartEntryPath(const std::filesystem::path& executable);

// The entry's text. The path is quoted only when the Exec syntax needs it (blanks, quotes,
// shell characters) and "%" doubled, so the session starts exactly this file.
std::string AutostartEntryText(const std::filesystem::path& executable);

// Writes (enabled) or removes the entry of `executable`. The folder is created when missing.
// When the folder cannot be written nothing happens and the result is false; a path that no
// entry can hold (a line break) is refused the same way. Never throws.
bool SetAutostart(bool enabled, const std::filesystem::path& executable);

}  // namespace chronolin

#pragma once
// What the desktop says about a program: the description of an application's launcher (.desktop
// file) whose command is that program. Stands in for a program file's own description.
#include <filesystem>
#include <string>
#include <vector>

namespace chronolin {

struct DesktopSearch {
  // Data directories by precedence, each searched in its "applications" folder; a launcher of
  // an earlier directory hides one of the same desktop-file ID in a later one.
  std::vector<std::filesystem::path> dataDirs;
  // Locale names to prefer for translated keys, most specific first ("fr_FR", "fr").
  std::vector<std::string> locales;
  // Search path for commands given without a directory.
  std::vector<std::filesystem::path> path;

  // $XDG_DATA_HOME, $XDG_DATA_DIRS (with their defaults), the message locale, $PATH.
  static DesktopSearch FromEnvironment();
};

// The locale names to try for "fr_FR.UTF-8@euro": fr_FR@euro, fr_FR, fr@euro, fr. None for C.
std::vector<std::string> LocaleCandidates(const std::string& locale);

// The Comment of the first application launcher whose Exec (or TryExec) program is `program`,
// else its Name, in the preferred language; empty when no launcher matches or the file does not
// exist. Unreadable launchers are passed over.
std::string DescriptionOf(const std::filesystem::path& program, const DesktopSearch& search);
std::string DescriptionOf(const std::filesystem::path& program);

}  // namespace chronolin

#pragma once
// An initialisation file with the private-profile semantics: "[section]" lines followed by
// key=value lines; section and key names compared without regard to case; a value is the text
// after the first "=". Every operation opens the file, does its work and releases it. A write
// builds the new content in a temporary file beside the old one, flushes it and renames it over
// the old one, so the file is either wholly old or wholly new.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace chronolin {

// A write the system refused. Text: "Impossible d'écrire dans <path>".
class ProfileWriteError : public std::runtime_error {
 public:
  explicit ProfileWriteError(const std::filesystem::path& path);
};

class ProfileFile {
 public:
  explicit ProfileFile(std::filesystem::path path);

  const std::filesystem::path& Path() const { return path_; }

  // Missing file, section or key: the default.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // Decimal text, optionally signed; anything else (or nothing): the default.
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  // An integer, non-zero meaning true; missing or non-numeric: the default.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  // Adds or replaces the key (the section is appended when missing). Throws ProfileWriteError.
  // Names and values the file cannot hold (a line break anywhere, "]" in a section name, "=" in
  // a key) throw std::invalid_argument and leave the file alone.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Removes the section and all its keys (every copy of a duplicated section, so that none
  // resurfaces); nothing happens when it is missing. Throws
  // ProfileWriteError when the file cannot be rewritten.
  void EraseSection(std::string_view section);
  // Erases every section of that name and appends it anew with `entries` (key, value) in order,
  // in one write: the file holds either the old section or the new one. No entries: an erase.
  // Throws std::invalid_argument for a name or value the file cannot hold, before any change.
  void ReplaceSection(std::string_view section,
                      const std::vector<std::pair<std::string, std::string>>& entries);

  // Section names in file order, each once.
  std::vector<std::string> ReadSections() const;
  // The "key=value" lines of a section in file order (comment and blank lines left out).
  std::vector<std::string> ReadSectionValues(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

 private:
  std::filesystem::path path_;
};

}  // namespace chronolin

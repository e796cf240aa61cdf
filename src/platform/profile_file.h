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

// One change of a batch: a key written, or (erase) a whole section removed.
struct ProfileChange {
  std::string section;
  std::string key;
  std::string value;
  bool erase = false;
};

// Names compared the way the file compares them: without regard to case or surrounding blanks.
bool SameProfileName(std::string_view a, std::string_view b);

// Throws std::invalid_argument, with a message naming it, for a section name the file cannot
// hold (a line break).
void CheckProfileSectionName(std::string_view section);

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
  // Names and values the file cannot hold (a line break anywhere, "=" in a key) throw
  // std::invalid_argument and leave the file alone. A section name may hold "]": headers are
  // read up to the last "]" of their line.
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

  // Every change in one rewrite of the file: all of them or none. Checked first, like the
  // single writes (std::invalid_argument); ProfileWriteError when the file is refused.
  void Apply(const std::vector<ProfileChange>& changes);
  // Whether the file (or its directory, for a new file) would accept a write now.
  bool Writable() const;

  // Section names in file order, each once.
  std::vector<std::string> ReadSections() const;
  // The "key=value" lines of a section in file order (comment and blank lines, and lines naming
  // no key, left out).
  std::vector<std::string> ReadSectionValues(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

 private:
  std::filesystem::path path_;
};

}  // namespace chronolin

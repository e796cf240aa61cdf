#include "platform/profile_file.h"

#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>
#include <unordered_set>
#include <utility>

namespace chronolin {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

// Names are compared after folding ASCII letters and, since the file is French and UTF-8, the
// Latin-1 capitals (À..Þ but ×) plus Œ and Ÿ: "[PARAMÈTRES]" and "Paramètres" are one section.
std::string Fold(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c + ('a' - 'A'));
    } else if ((c == 0xC3 || c == 0xC5) && i + 1 < s.size()) {
      auto next = static_cast<unsigned char>(s[++i]);
      if (c == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) {
        out += static_cast<char>(c);
        out += static_cast<char>(next + 0x20);
      } else if (c == 0xC5 && next == 0x92) {  // Œ
        out += "\xC5\x93";
      } else if (c == 0xC5 && next == 0xB8) {  // Ÿ
        out += "\xC3\xBF";
      } else {
        out += static_cast<char>(c);
        out += static_cast<char>(next);
      }
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

struct Line {
  std::string text;
  std::string eol;  // "\r\n", "\n", "" (last line), or "\r" (a lone CR ending the file)
};

// kBadSection: a line opening a header that is never closed. It ends the section before it
// (what follows belongs to no section), but names none.
enum class Kind { kOther, kSection, kBadSection, kKey };

struct Parsed {
  Kind kind = Kind::kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key lines only, trimmed
};

Parsed Classify(std::string_view text) {
  const auto t = Trim(text);
  if (t.empty() || t.front() == ';') return {};
  if (t.front() == '[') {
    // Up to the last "]" of the line, so that a name holding "]" reads back whole.
    const auto close = t.rfind(']');
    if (close == 0 || close == std::string_view::npos) return {Kind::kBadSection, {}, {}};
    return {Kind::kSection, Trim(t.substr(1, close - 1)), {}};
  }
  const auto eq = t.find('=');
  if (eq == std::string_view::npos) return {};
  // "=value" names no key: nobody can read or write it.
  const auto name = Trim(t.substr(0, eq));
  if (name.empty()) return {};
  return {Kind::kKey, name, Trim(t.substr(eq + 1))};
}

struct Document {
  std::string bom;
  std::vector<Line> lines;

  // Line ending for lines we add: the file's own, CR LF for a new file.
  std::string NewLineStyle() const {
    for (const auto& line : lines) {
      if (line.eol == "\n") return "\n";
      if (!line.eol.empty()) return "\r\n";
    }
    return "\r\n";
  }
};

Document Parse(std::string_view content) {
  Document doc;
  if (content.starts_with(kUtf8Bom)) {
    doc.bom = kUtf8Bom;
    content.remove_prefix(kUtf8Bom.size());
  }
  std::size_t pos = 0;
  while (pos < content.size()) {
    const auto nl = content.find('\n', pos);
    const auto end = nl == std::string_view::npos ? content.size() : nl;
    std::string_view text = content.substr(pos, end - pos);
    Line line;
    if (text.ends_with('\r')) {
      text.remove_suffix(1);
      line.eol = nl == std::string_view::npos ? "\r" : "\r\n";
    } else if (nl != std::string_view::npos) {
      line.eol = "\n";
    }
    line.text = text;
    doc.lines.push_back(std::move(line));
    pos = nl == std::string_view::npos ? content.size() : nl + 1;
  }
  return doc;
}

std::string Serialize(const Document& doc) {
  std::string out = doc.bom;
  for (const auto& line : doc.lines) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

bool IsHeader(Kind kind) {
  return kind == Kind::kSection || kind == Kind::kBadSection;
}

// Lines [begin, end) of a section's body; header is the "[name]" line.
struct Range {
  std::size_t header = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
};

// The first section of that name: duplicated headers beyond it are not looked at.
std::optional<Range> FindSection(const Document& doc, std::string_view section) {
  const auto wanted = Fold(Trim(section));
  for (std::size_t i = 0; i < doc.lines.size(); ++i) {
    const auto p = Classify(doc.lines[i].text);
    if (p.kind != Kind::kSection || Fold(p.name) != wanted) continue;
    Range r{i, i + 1, i + 1};
    while (r.end < doc.lines.size() && !IsHeader(Classify(doc.lines[r.end].text).kind)) {
      ++r.end;
    }
    return r;
  }
  return std::nullopt;
}

std::optional<std::size_t> FindKey(const Document& doc, const Range& range, std::string_view key) {
  const auto wanted = Fold(Trim(key));
  if (wanted.empty()) return std::nullopt;
  for (std::size_t i = range.begin; i < range.end; ++i) {
    const auto p = Classify(doc.lines[i].text);
    if (p.kind == Kind::kKey && Fold(p.name) == wanted) return i;
  }
  return std::nullopt;
}

enum class LoadResult { kOk, kMissing, kUnreadable };

LoadResult Load(const fs::path& path, std::string& content) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? LoadResult::kMissing : LoadResult::kUnreadable;
  content.clear();
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return LoadResult::kUnreadable;
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return LoadResult::kOk;
}

// Reads go on with an empty document when the file is missing or unreadable: defaults apply.
Document LoadForReading(const fs::path& path) {
  std::string content;
  if (Load(path, content) != LoadResult::kOk) return {};
  return Parse(content);
}

bool HasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

void CheckSection(std::string_view section) {
  // "]" is fine: a header is read up to the last one of its line.
  if (HasLineBreak(section)) {
    throw std::invalid_argument("Nom de section invalide : \"" + std::string(section) + "\"");
  }
}

void CheckKey(std::string_view key) {
  const auto t = Trim(key);
  if (t.empty() || HasLineBreak(t) || t.find('=') != std::string_view::npos || t.front() == '[' ||
      t.front() == ';') {
    throw std::invalid_argument("Nom de clé invalide : \"" + std::string(key) + "\"");
  }
}

void CheckValue(std::string_view value) {
  if (HasLineBreak(value)) {
    throw std::invalid_argument("Une valeur ne peut pas contenir de saut de ligne");
  }
}

// Gives the last line a line ending before something is added after it.
void TerminateLastLine(Document& doc, const std::string& style) {
  if (!doc.lines.empty() && doc.lines.back().eol.empty()) doc.lines.back().eol = style;
  if (!doc.lines.empty() && doc.lines.back().eol == "\r") doc.lines.back().eol = "\r\n";
}

void AppendSection(Document& doc, std::string_view section,
                   const std::vector<std::pair<std::string, std::string>>& entries) {
  const auto style = doc.NewLineStyle();
  TerminateLastLine(doc, style);
  if (!doc.lines.empty() && !Trim(doc.lines.back().text).empty()) doc.lines.push_back({"", style});
  doc.lines.push_back({"[" + std::string(Trim(section)) + "]", style});
  for (const auto& [key, value] : entries) {
    doc.lines.push_back({std::string(Trim(key)) + "=" + value, style});
  }
}

// Removes every section of that name; true when there was one.
bool RemoveSection(Document& doc, std::string_view section) {
  bool removed = false;
  while (auto range = FindSection(doc, section)) {
    doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(range->header),
                    doc.lines.begin() + static_cast<std::ptrdiff_t>(range->end));
    removed = true;
  }
  return removed;
}

void SetValue(Document& doc, std::string_view section, std::string_view key,
              std::string_view value) {
  const auto range = FindSection(doc, section);
  if (!range) {
    AppendSection(doc, section, {{std::string(key), std::string(value)}});
    return;
  }
  if (const auto line = FindKey(doc, *range, key)) {
    // Keep the key as the file spells it.
    auto& l = doc.lines[*line];
    l.text = std::string(Classify(l.text).name) + "=" + std::string(value);
    return;
  }
  // After the section's last key, so that blank lines and comments before the next
  // section stay where they are.
  std::size_t after = range->header;
  for (std::size_t i = range->begin; i < range->end; ++i) {
    if (Classify(doc.lines[i].text).kind == Kind::kKey) after = i;
  }
  const auto style = doc.NewLineStyle();
  auto& previous = doc.lines[after];
  if (previous.eol.empty() || previous.eol == "\r") previous.eol = style;
  doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(after + 1),
                   Line{std::string(Trim(key)) + "=" + std::string(value), style});
}

// Whether a write could replace the file now: the checks ReplaceFileAtomically makes first.
bool FileWritable(const fs::path& path) {
  fs::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || ::access(path.c_str(), W_OK) != 0))
    return false;
  return ::access(dir.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

ProfileWriteError::ProfileWriteError(const fs::path& path)
    : std::runtime_error("Impossible d'écrire dans " + path.string()) {}

ProfileFile::ProfileFile(fs::path path) : path_(std::move(path)) {}

namespace {

// Loads, edits and writes back the file; `edit` returns false when nothing changed, in which
// case nothing is written.
template <typename Edit>
void Modify(const fs::path& path, Edit&& edit) {
  std::string content;
  if (Load(path, content) == LoadResult::kUnreadable) throw ProfileWriteError(path);
  Document doc = Parse(content);
  if (!edit(doc)) return;

  // Write through a symbolic link rather than replacing the link with a plain file.
  fs::path target = path;
  std::error_code ec;
  if (fs::is_symlink(path, ec)) {
    auto resolved = fs::weakly_canonical(path, ec);
    if (!ec) target = resolved;
  }
  if (!ReplaceFileAtomically(target, Serialize(doc))) throw ProfileWriteError(path);
}

}  // namespace

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  const auto doc = LoadForReading(path_);
  if (const auto range = FindSection(doc, section)) {
    if (const auto line = FindKey(doc, *range, key)) {
      return std::string(Classify(doc.lines[*line].text).value);
    }
  }
  return std::string(defaultValue);
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key,
                             int defaultValue) const {
  const auto text = ReadString(section, key, "");
  std::string_view t = Trim(text);
  bool negative = false;
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  if (t.empty()) return defaultValue;
  // Accumulate as a negative number so that INT_MIN is reachable.
  long long value = 0;
  for (const char c : t) {
    if (c < '0' || c > '9') return defaultValue;
    value = value * 10 - (c - '0');
    if (value < -2147483648LL) return defaultValue;
  }
  if (!negative) {
    if (value < -2147483647LL) return defaultValue;
    value = -value;
  }
  return static_cast<int>(value);
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  Apply({{std::string(section), std::string(key), std::string(value)}});
}

void ProfileFile::Apply(const std::vector<ProfileChange>& changes) {
  for (const auto& change : changes) {
    if (change.erase) continue;
    CheckSection(change.section);
    CheckKey(change.key);
    CheckValue(change.value);
  }
  if (changes.empty()) return;
  Modify(path_, [&](Document& doc) {
    bool changed = false;
    for (const auto& change : changes) {
      if (change.erase) {
        changed = RemoveSection(doc, change.section) || changed;
      } else {
        SetValue(doc, change.section, change.key, change.value);
        changed = true;
      }
    }
    return changed;
  });
}

bool ProfileFile::Writable() const {
  return FileWritable(path_);
}

void CheckProfileSectionName(std::string_view section) {
  CheckSection(section);
}

bool SameProfileName(std::string_view a, std::string_view b) {
  return Fold(Trim(a)) == Fold(Trim(b));
}

void ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void ProfileFile::EraseSection(std::string_view section) {
  Modify(path_, [&](Document& doc) { return RemoveSection(doc, section); });
}

void ProfileFile::ReplaceSection(std::string_view section,
                                 const std::vector<std::pair<std::string, std::string>>& entries) {
  CheckSection(section);
  for (const auto& [key, value] : entries) {
    CheckKey(key);
    CheckValue(value);
  }
  Modify(path_, [&](Document& doc) {
    const bool removed = RemoveSection(doc, section);
    if (entries.empty()) return removed;
    AppendSection(doc, section, entries);
    return true;
  });
}

std::vector<std::string> ProfileFile::ReadSections() const {
  const auto doc = LoadForReading(path_);
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (const auto& line : doc.lines) {
    const auto p = Classify(line.text);
    if (p.kind == Kind::kSection && seen.insert(Fold(p.name)).second) {
      names.emplace_back(p.name);
    }
  }
  return names;
}

std::vector<std::string> ProfileFile::ReadSectionValues(std::string_view section) const {
  const auto doc = LoadForReading(path_);
  std::vector<std::string> values;
  if (const auto range = FindSection(doc, section)) {
    for (std::size_t i = range->begin; i < range->end; ++i) {
      const auto& text = doc.lines[i].text;
      if (Classify(text).kind == Kind::kKey) values.emplace_back(Trim(text));
    }
  }
  return values;
}

bool ProfileFile::ValueExists(std::string_view section, std::string_view key) const {
  const auto doc = LoadForReading(path_);
  const auto range = FindSection(doc, section);
  return range && FindKey(doc, *range, key).has_value();
}

}  // namespace chronolin

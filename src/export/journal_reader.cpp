#include "export/journal_reader.h"

#include <fstream>

#include "common/text_codec.h"

namespace chronolin {

namespace {

constexpr std::string_view kSeparator = " - ";
constexpr std::size_t kTimeLength = 8;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Two digits at `text[pos]`, within 0..max.
std::optional<int> TwoDigits(std::string_view text, std::size_t pos, int max) {
  if (!IsDigit(text[pos]) || !IsDigit(text[pos + 1])) return std::nullopt;
  const int value = (text[pos] - '0') * 10 + (text[pos + 1] - '0');
  if (value > max) return std::nullopt;
  return value;
}

// "HH?MM?SS" with `separator` between the fields, hours up to `maxHours`, as a day fraction.
std::optional<TDateTime> ReadClock(std::string_view text, char separator, int maxHours) {
  if (text.size() != kTimeLength || text[2] != separator || text[5] != separator)
    return std::nullopt;
  const auto h = TwoDigits(text, 0, maxHours);
  const auto m = TwoDigits(text, 3, 59);
  const auto s = TwoDigits(text, 6, 59);
  if (!h || !m || !s) return std::nullopt;
  return (*h * 3600.0 + *m * 60.0 + *s) / 86400.0;
}

}  // namespace

std::optional<std::vector<std::string>> ReadJournalLines(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (IsValidUtf8(line)) lines.push_back(std::move(line));
  }
  if (in.bad()) return std::nullopt;
  return lines;
}

std::optional<DateParts> LineDate(std::string_view line, const Regional& regional) {
  const std::size_t space = line.find(' ');
  if (space == std::string_view::npos || space == 0) return std::nullopt;
  const auto date = regional.ParseShortDate(line.substr(0, space));
  if (!date) return std::nullopt;
  return DecodeDate(*date);
}

std::optional<CnxRec> ParseConnexionLine(std::string_view line, const Regional& regional) {
  const std::size_t space = line.find(' ');
  if (space == std::string_view::npos || space == 0) return std::nullopt;
  const auto date = regional.ParseShortDate(line.substr(0, space));
  if (!date) return std::nullopt;

  // date - time - ...
  std::string_view rest = line.substr(space);
  if (rest.substr(0, kSeparator.size()) != kSeparator) return std::nullopt;
  rest.remove_prefix(kSeparator.size());
  if (rest.size() < kTimeLength) return std::nullopt;
  const auto heure = ReadClock(rest.substr(0, kTimeLength), regional.timeSeparator, 23);
  if (!heure) return std::nullopt;
  rest.remove_prefix(kTimeLength);
  if (rest.substr(0, kSeparator.size()) != kSeparator) return std::nullopt;
  rest.remove_prefix(kSeparator.size());

  // name - HH:MM:SS marker: the last " - " that a duration follows ends the name.
  for (std::size_t at = rest.rfind(kSeparator); at != std::string_view::npos && at > 0;
       at = rest.rfind(kSeparator, at - 1)) {
    const std::size_t durationAt = at + kSeparator.size();
    if (durationAt + kTimeLength > rest.size()) continue;
    const std::size_t after = durationAt + kTimeLength;
    if (after < rest.size() && rest[after] != ' ') continue;
    const auto duree = ReadClock(rest.substr(durationAt, kTimeLength), ':', 99);
    if (!duree) continue;
    CnxRec rec;
    rec.Date = *date;
    rec.Heure = *heure;
    rec.Name = std::string(rest.substr(0, at));
    rec.Duree = *duree;
    if (after < rest.size()) rec.Ajustement = std::string(rest.substr(after + 1));
    return rec;
  }
  return std::nullopt;
}

}  // namespace chronolin

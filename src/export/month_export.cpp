#include "export/month_export.h"

#include <algorithm>
#include <cstdio>

#include "common/text_codec.h"

namespace chronolin {

namespace {

// Upper-cases the first letter of a UTF-8 text: ASCII and the accented Latin letters, which
// are all a month name may begin with.
std::string CapitalizeFirst(const std::string& text) {
  std::u16string wide = Utf8ToUtf16(text);
  if (wide.empty()) return text;
  char16_t& c = wide[0];
  if (c >= u'a' && c <= u'z')
    c = static_cast<char16_t>(c - 0x20);
  else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
    c = static_cast<char16_t>(c - 0x20);
  return Utf16ToUtf8(wide);
}

}  // namespace

std::vector<int> JournalYears(const std::vector<std::string>& lines, const Regional& regional) {
  std::vector<int> years;
  for (const auto& line : lines)
    if (const auto date = LineDate(line, regional)) years.push_back(date->year);
  std::sort(years.begin(), years.end());
  years.erase(std::unique(years.begin(), years.end()), years.end());
  return years;
}

std::array<bool, 12> AvailableMonths(const std::vector<std::string>& lines, int year,
                                     const Regional& regional) {
  std::array<bool, 12> available{};
  for (const auto& line : lines) {
    const auto date = LineDate(line, regional);
    if (date && date->year == year) available[date->month - 1] = true;
  }
  return available;
}

CalendarStart StartingMonth(const std::vector<int>& years, DateParts today) {
  CalendarStart start;
  start.MinYear = years.front();
  start.MaxYear = years.back();
  if (today.year < start.MinYear || today.year > start.MaxYear) {
    start.Year = start.MaxYear;
    start.Month = 12;
  } else {
    start.Year = today.year;
    start.Month = today.month;
  }
  return start;
}

std::optional<int> FirstAvailableMonth(const std::array<bool, 12>& available) {
  for (int m = 1; m <= 12; ++m)
    if (available[m - 1]) return m;
  return std::nullopt;
}

MonthData CollectMonth(const std::vector<std::string>& lines, int year, int month,
                       const Regional& regional) {
  MonthData data;
  data.Year = year;
  data.Month = month;
  for (const auto& line : lines) {
    auto rec = ParseConnexionLine(line, regional);
    if (!rec) continue;
    const DateParts date = DecodeDate(rec->Date);
    if (date.year != year || date.month != month) continue;
    auto total = std::find_if(data.Totals.begin(), data.Totals.end(),
                              [&](const CnxTotal& t) { return t.Name == rec->Name; });
    if (total == data.Totals.end())
      data.Totals.push_back({rec->Name, rec->Duree});
    else
      total->Duree += rec->Duree;
    data.Rows.push_back(std::move(*rec));
  }
  for (const auto& total : data.Totals) data.DureeT += total.Duree;
  return data;
}

std::string MonthTitle(int year, int month, const Regional& regional) {
  return CapitalizeFirst(regional.longMonthNames[month - 1] + " " + std::to_string(year));
}

std::string NoConnexionInMonthText(int year, int month, const Regional& regional) {
  return "Aucune connexion à exporter en " + regional.longMonthNames[month - 1] + " " +
         std::to_string(year) + " !";
}

std::string ProposedFileName(int year, int month, const Regional& regional) {
  std::string name = regional.shortMonthNames[month - 1];
  if (!name.empty() && name.back() == '.') name.pop_back();
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02d", ((year % 100) + 100) % 100);
  return name + digits;
}

}  // namespace chronolin

#include "common/date_time.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace chronolin {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Days from 1970-01-01 to 1899-12-30.
constexpr std::int64_t kEpochOffset = -25'569;

// Proleptic Gregorian day number relative to 1970-01-01 (era-based, exact for any year).
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146'097 + static_cast<std::int64_t>(doe) - 719'468;
}

struct Civil {
  std::int64_t year;
  int month;
  int day;
};

constexpr Civil CivilFromDays(std::int64_t z) {
  z += 719'468;
  const std::int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
  const auto doe = static_cast<unsigned>(z - era * 146'097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
  return {y, static_cast<int>(m), static_cast<int>(d)};
}

static_assert(DaysFromCivil(1899, 12, 30) == kEpochOffset);

// A value split into its calendar day and the millisecond of that day, after rounding to the
// nearest millisecond. The rounding may carry into the next calendar day.
struct Split {
  std::int64_t day;
  std::int64_t ms;
};

Split SplitValue(TDateTime value) {
  if (!std::isfinite(value)) throw std::invalid_argument("Date-time value is not a finite number");
  // Well outside years 1..9999 but safely inside int64; callers range-check the year.
  if (std::fabs(value) > 1e9) throw std::invalid_argument("Date-time value out of range");
  const double whole = std::trunc(value);
  Split s{static_cast<std::int64_t>(whole),
          std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay))};
  if (s.ms >= kMsPerDay) {
    s.ms -= kMsPerDay;
    ++s.day;
  }
  return s;
}

bool ValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

bool ValidTime(int hour, int minute, int second, int msec) {
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
         msec >= 0 && msec < 1000;
}

bool ReadDigits(std::string_view text, std::size_t& pos, std::size_t count, int& out) {
  if (pos + count > text.size()) return false;
  int v = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  pos += count;
  out = v;
  return true;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

bool ParseDatePiece(std::string_view text, TDateTime& out) {
  std::size_t pos = 0;
  int y = 0, m = 0, d = 0;
  if (!ReadDigits(text, pos, 4, y) || !Expect(text, pos, '-') || !ReadDigits(text, pos, 2, m) ||
      !Expect(text, pos, '-') || !ReadDigits(text, pos, 2, d) || pos != text.size())
    return false;
  return TryEncodeDate(y, m, d, out);
}

bool ParseTimePiece(std::string_view text, TDateTime& out) {
  std::size_t pos = 0;
  int h = 0, n = 0, s = 0;
  if (!ReadDigits(text, pos, 2, h) || !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, n))
    return false;
  if (pos < text.size() && (!Expect(text, pos, ':') || !ReadDigits(text, pos, 2, s))) return false;
  if (pos != text.size()) return false;
  return TryEncodeTime(h, n, s, 0, out);
}

}  // namespace

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) throw std::invalid_argument("Month out of range");
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (!ValidDate(year, month, day)) return false;
  result = static_cast<TDateTime>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochOffset);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
  if (!ValidTime(hour, minute, second, msec)) return false;
  const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + msec;
  result = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result)) throw std::invalid_argument("Invalid date");
  return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime result = 0;
  if (!TryEncodeTime(hour, minute, second, msec, result))
    throw std::invalid_argument("Invalid time");
  return result;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  return date < 0 ? date - time : date + time;
}

DateParts DecodeDate(TDateTime value) {
  const Civil c = CivilFromDays(SplitValue(value).day + kEpochOffset);
  if (c.year < 1 || c.year > 9999) throw std::invalid_argument("Date out of range");
  return {static_cast<int>(c.year), c.month, c.day};
}

TimeParts DecodeTime(TDateTime value) {
  const auto ms = static_cast<int>(SplitValue(value).ms);
  return {ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60, ms % 1000};
}

TDateTime DatePart(TDateTime value) {
  return std::trunc(value);
}

TDateTime TimePart(TDateTime value) {
  return std::fabs(value - std::trunc(value));
}

int DayOfWeek(TDateTime value) {
  // Day 0 was a Saturday.
  const std::int64_t r = (SplitValue(value).day - 1) % 7;
  return static_cast<int>(r < 0 ? r + 7 : r) + 1;
}

std::string DateTimeToString(TDateTime value) {
  const DateParts d = DecodeDate(value);
  const TimeParts t = DecodeTime(value);
  const bool hasTime = SplitValue(value).ms != 0;
  const bool isEpochDay = d.year == 1899 && d.month == 12 && d.day == 30;
  char buf[32];
  if (isEpochDay || hasTime) {
    if (isEpochDay) {
      std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    } else {
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day,
                    t.hour, t.minute, t.second);
    }
  } else {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  }
  return buf;
}

bool TryParseDateTime(std::string_view text, TDateTime& result) {
  TDateTime date = 0, time = 0;
  const std::size_t space = text.find(' ');
  if (space != std::string_view::npos) {
    if (!ParseDatePiece(text.substr(0, space), date) ||
        !ParseTimePiece(text.substr(space + 1), time))
      return false;
  } else if (text.find('-') != std::string_view::npos) {
    if (!ParseDatePiece(text, date)) return false;
  } else if (!ParseTimePiece(text, time)) {
    return false;
  }
  result = ComposeDateTime(date, time);
  return true;
}

}  // namespace chronolin

#include "typed_value.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "common/date_time.h"

namespace chronolin::cli {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Optional sign, digits with an optional fraction (or a fraction alone), optional exponent.
bool IsDecimal(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t exponent = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == s.size();
}

std::optional<double> Decimal(std::string_view s) {
  if (!IsDecimal(s)) return std::nullopt;
  // from_chars takes no leading '+'.
  if (s.front() == '+') s.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) {
    return std::nullopt;  // beyond a double: kept as text
  }
  return value;
}

// Digits only, exactly `width` of them, at `at`.
std::optional<int> Number(std::string_view s, std::size_t at, std::size_t width) {
  if (at + width > s.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = at; i < at + width; ++i) {
    if (!IsDigit(s[i])) return std::nullopt;
    value = value * 10 + (s[i] - '0');
  }
  return value;
}

std::optional<TDateTime> Date(std::string_view s) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
  const auto year = Number(s, 0, 4), month = Number(s, 5, 2), day = Number(s, 8, 2);
  TDateTime date = 0;
  if (!year || !month || !day || !TryEncodeDate(*year, *month, *day, date)) return std::nullopt;
  return date;
}

// Hours 00 to 99 alone (a duration may pass a day); 00 to 23 after a date.
std::optional<TDateTime> Time(std::string_view s, int max_hour) {
  if (s.size() != 8 || s[2] != ':' || s[5] != ':') return std::nullopt;
  const auto hour = Number(s, 0, 2), minute = Number(s, 3, 2), second = Number(s, 6, 2);
  if (!hour || !minute || !second || *hour > max_hour || *minute > 59 || *second > 59) {
    return std::nullopt;
  }
  return (*hour * 3600.0 + *minute * 60.0 + *second) / 86400.0;
}

}  // namespace

Variant TypedValue(std::string_view text) {
  if (text.empty()) return Variant();
  if (const auto number = Decimal(text)) return Variant::FromDouble(*number);
  if (const auto date = Date(text)) return Variant::FromDate(*date);
  if (const auto time = Time(text, 99)) return Variant::FromDate(*time);
  if (text.size() == 19 && text[10] == ' ') {
    const auto date = Date(text.substr(0, 10));
    const auto time = Time(text.substr(11), 23);
    if (date && time) return Variant::FromDate(ComposeDateTime(*date, *time));
  }
  return Variant::FromString(std::string(text));
}

}  // namespace chronolin::cli

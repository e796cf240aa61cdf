#include "settings/param_duree.h"

#include <algorithm>
#include <array>

namespace chronolin {

namespace {

struct Field {
  std::size_t start = 0;
  std::size_t length = 0;
  int value = 0;
};

// Nine digits at most, so a value always fits an int.
bool ReadDigits(std::string_view text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

std::string TwoDigits(int value) {
  std::string digits = std::to_string(value);
  if (digits.size() < 2) digits.insert(0, 1, '0');
  return digits;
}

}  // namespace

QuotaHoursMinutes ReadQuotaFields(std::string_view text) {
  const auto first = text.find(':');
  const auto second = first == std::string_view::npos ? first : text.find(':', first + 1);
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  if (second == std::string_view::npos || !ReadDigits(text.substr(0, first), hours) ||
      !ReadDigits(text.substr(first + 1, second - first - 1), minutes) ||
      !ReadDigits(text.substr(second + 1), seconds) || hours > kMaxDureeHours)
    return {};
  // Seconds round up, so that a quota of a few seconds does not look like none; minutes past
  // 59 are carried, as the counter reads them.
  const int allMinutes = minutes + (seconds > 0 ? 1 : 0);
  return {hours + allMinutes / 60, allMinutes % 60};
}

std::string FormatQuota(const QuotaHoursMinutes& quota) {
  return TwoDigits(quota.Hours) + ":" + TwoDigits(quota.Minutes) + ":00";
}

DureeStep StepDureeField(std::string_view text, int caret, int step) {
  std::array<Field, 3> fields;
  std::size_t start = 0;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const auto colon = i + 1 < fields.size() ? text.find(':', start) : std::string_view::npos;
    const auto end = colon == std::string_view::npos ? text.size() : colon;
    const std::string_view digits = text.substr(std::min(start, text.size()), end - start);
    if ((i + 1 < fields.size() && colon == std::string_view::npos) ||
        !ReadDigits(digits, fields[i].value)) {
      throw DureeConversionError("'" + std::string(digits) + "' n'est pas un nombre entier valide");
    }
    fields[i].start = start;
    fields[i].length = digits.size();
    start = end + 1;
  }

  DureeStep result{std::string(text), caret, false};
  if (caret < 0) return result;
  const auto c = static_cast<std::size_t>(caret);
  const auto selected = std::find_if(fields.begin(), fields.end(), [c](const Field& f) {
    return c >= f.start && c <= f.start + f.length;
  });
  if (selected == fields.end()) return result;

  const bool hours = selected == fields.begin();
  const int max = !hours ? 59 : selected->length <= 2 ? 99 : kMaxDureeHours;
  const long long value = static_cast<long long>(selected->value) + step;
  if (value < 0 || value > max) return result;

  const std::string digits = TwoDigits(static_cast<int>(value));
  result.Text.replace(selected->start, selected->length, digits);
  // The caret stays in its field even when the field gets narrower (100 hours down to 99).
  result.Caret = static_cast<int>(selected->start + std::min(c - selected->start, digits.size()));
  result.Changed = result.Text != text;
  return result;
}

}  // namespace chronolin

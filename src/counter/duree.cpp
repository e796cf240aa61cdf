#include "counter/duree.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>

namespace chronolin {
namespace {

struct Hms {
  std::int64_t hours, minutes, seconds;
};

Hms Split(std::int32_t s) {
  const std::int64_t total = s;
  const std::int64_t hours = total / 3600;
  const std::int64_t minutes = total / 60 - hours * 60;
  return {hours, minutes, total - hours * 3600 - minutes * 60};
}

std::string TwoDigits(std::int64_t value) {
  std::string text = std::to_string(value);
  return value < 10 ? "0" + text : text;
}

std::string Join(const Hms& t) {
  return TwoDigits(t.hours) + ":" + TwoDigits(t.minutes) + ":" + TwoDigits(t.seconds);
}

std::optional<std::int64_t> ParseField(std::string_view text) {
  // A leading "+" is accepted like the sign "-"; nothing else may surround the digits.
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return value;
}

}  // namespace

std::string SecondsToDuree(std::int32_t seconds) {
  const Hms t = Split(seconds);
  if (t.hours > 99) return std::string(kOverflowDuree);
  return Join(t);
}

std::string SecondsToStoredDuree(std::int32_t seconds) { return Join(Split(seconds)); }

std::int32_t DureeToSeconds(std::string_view text) {
  std::int64_t fields[3];
  for (int i = 0; i < 3; ++i) {
    const std::size_t colon = text.find(':');
    // The third field runs to the next ":" (or the end); what follows a third ":" is ignored.
    const std::string_view part = text.substr(0, colon);
    const auto value = ParseField(part);
    if (!value) return 0;
    fields[i] = *value;
    if (colon == std::string_view::npos) {
      if (i < 2) return 0;
      break;
    }
    text.remove_prefix(colon + 1);
  }
  const std::int64_t total = fields[0] * 3600 + fields[1] * 60 + fields[2];
  if (total < std::numeric_limits<std::int32_t>::min() ||
      total > std::numeric_limits<std::int32_t>::max())
    return 0;
  return static_cast<std::int32_t>(total);
}

}  // namespace chronolin

#include "common/currency.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace chronolin {

std::optional<Currency> Currency::FromDouble(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  if (value == 0) return Currency();
  // Shortest round-trip form: at most 17 significant digits, so they fit in an int64.
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  const std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
  const bool negative = text.front() == '-';
  const std::size_t e = text.find('e');
  std::int64_t digits = 0;
  int count = 0;
  for (const char c : text.substr(negative ? 1 : 0, e - (negative ? 1 : 0))) {
    if (c == '.') continue;
    digits = digits * 10 + (c - '0');
    ++count;
  }
  std::string_view expText = text.substr(e + 1);
  if (expText.front() == '+') expText.remove_prefix(1);
  int exp10 = 0;
  std::from_chars(expText.data(), expText.data() + expText.size(), exp10);

  // value = digits * 10^(exp10 - count + 1); scaled = value * 10^4.
  int shift = exp10 - count + 1 + 4;
  std::int64_t scaled = digits;
  if (shift >= 0) {
    for (; shift > 0; --shift) {
      if (__builtin_mul_overflow(scaled, std::int64_t{10}, &scaled)) return std::nullopt;
    }
  } else if (-shift >= 18) {
    scaled = 0;  // digits < 10^17, less than half of 10^18
  } else {
    std::int64_t divisor = 1;
    for (int i = 0; i < -shift; ++i) divisor *= 10;
    scaled = digits / divisor;
    const std::int64_t twiceRest = digits % divisor * 2;
    if (twiceRest > divisor || (twiceRest == divisor && scaled % 2 != 0)) ++scaled;
  }
  return FromScaled(negative ? -scaled : scaled);
}

std::optional<Currency> Currency::FromInt64(std::int64_t value) {
  std::int64_t scaled = 0;
  if (__builtin_mul_overflow(value, kScale, &scaled)) return std::nullopt;
  return FromScaled(scaled);
}

double Currency::ToDouble() const {
  // Below 2^53 ten-thousandths this is one correctly rounded division: 0.1 stays the double
  // nearest 0.1.
  return static_cast<double>(scaled_) / static_cast<double>(kScale);
}

std::int64_t Currency::RoundToInt64() const {
  std::int64_t whole = scaled_ / kScale;
  const std::int64_t rest = scaled_ % kScale;  // same sign as scaled_
  const std::int64_t half = kScale / 2;
  const std::int64_t step = scaled_ < 0 ? -1 : 1;
  const std::int64_t magnitude = rest < 0 ? -rest : rest;
  if (magnitude > half || (magnitude == half && whole % 2 != 0)) whole += step;
  return whole;
}

std::string Currency::ToString() const {
  // Work on the magnitude as unsigned so the most negative value has no overflow.
  const bool negative = scaled_ < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(scaled_) : static_cast<std::uint64_t>(scaled_);
  const std::uint64_t scale = static_cast<std::uint64_t>(kScale);
  std::string out = negative ? "-" : "";
  out += std::to_string(magnitude / scale);
  std::uint64_t frac = magnitude % scale;
  if (frac != 0) {
    std::string digits = std::to_string(frac + scale).substr(1);  // zero-padded to 4
    while (digits.back() == '0') digits.pop_back();
    out += '.';
    out += digits;
  }
  return out;
}

}  // namespace chronolin

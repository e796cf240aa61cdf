#include "common/numeric.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace chronolin {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Lays out significant digits (no trailing zeros, at least one) and the decimal exponent of
// the first digit.
std::string Layout(bool negative, std::string_view digits, int exp10) {
  std::string out = negative ? "-" : "";
  const auto count = static_cast<int>(digits.size());
  if (exp10 >= 15 || exp10 <= -5) {
    out += digits[0];
    if (count > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += exp10 < 0 ? "E-" : "E+";
    out += std::to_string(std::abs(exp10));
  } else if (exp10 < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exp10 - 1), '0');
    out += digits;
  } else if (count <= exp10 + 1) {
    out += digits;
    out.append(static_cast<std::size_t>(exp10 + 1 - count), '0');
  } else {
    const auto point = static_cast<std::size_t>(exp10 + 1);
    out += digits.substr(0, point);
    out += '.';
    out += digits.substr(point);
  }
  return out;
}

// Splits to_chars scientific output ("-1.2345e+06") into digits and exponent, then lays out.
std::string FromScientific(std::string_view sci) {
  bool negative = false;
  if (!sci.empty() && sci.front() == '-') {
    negative = true;
    sci.remove_prefix(1);
  }
  const std::size_t e = sci.find('e');
  std::string digits;
  for (const char c : sci.substr(0, e)) {
    if (c != '.') digits += c;
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int exp10 = 0;
  std::string_view expText = sci.substr(e + 1);
  if (!expText.empty() && expText.front() == '+') expText.remove_prefix(1);
  std::from_chars(expText.data(), expText.data() + expText.size(), exp10);
  return Layout(negative, digits, exp10);
}

template <typename Float>
std::string NonFinite(Float value) {
  if (std::isnan(value)) return "NaN";
  return value < 0 ? "-INF" : "INF";
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  text = Trim(text);
  std::string buf;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') buf += '-';
    ++i;
  }
  bool anyDigit = false;
  while (i < text.size() && IsDigit(text[i])) {
    buf += text[i++];
    anyDigit = true;
  }
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    buf += '.';
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      buf += text[i++];
      anyDigit = true;
    }
  }
  if (!anyDigit) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    buf += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) buf += text[i++];
    if (i >= text.size() || !IsDigit(text[i])) return std::nullopt;
    while (i < text.size() && IsDigit(text[i])) buf += text[i++];
  }
  if (i != text.size()) return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), value);
  if (ec != std::errc() || end != buf.data() + buf.size()) return std::nullopt;
  return value;
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
  text = Trim(text);
  std::string buf;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    if (text.front() == '-') buf += '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  for (const char c : text) {
    if (!IsDigit(c)) return std::nullopt;
  }
  buf += text;
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), value);
  if (ec != std::errc() || end != buf.data() + buf.size()) return std::nullopt;
  return value;
}

std::string FormatDouble(double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (value == 0) return "0";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string_view shortest(buf, static_cast<std::size_t>(r.ptr - buf));
  // Count significant digits: everything before 'e' except sign and point.
  std::size_t sig = 0;
  for (const char c : shortest.substr(0, shortest.find('e'))) sig += IsDigit(c) ? 1 : 0;
  if (sig <= 15) return FromScientific(shortest);
  r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  return FromScientific(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

std::string FormatSingle(float value) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (value == 0) return "0";
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  return FromScientific(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double floor = std::floor(value);
  const double diff = value - floor;  // exact for every finite double
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

}  // namespace chronolin

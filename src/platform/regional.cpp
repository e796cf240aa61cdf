#include "platform/regional.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <new>
#include <vector>

namespace chronolin {

namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsUpper(char c) {
  return c >= 'A' && c <= 'Z';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAsciiLetter(char c) {
  return Lower(c) >= 'a' && Lower(c) <= 'z';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

std::string Padded(int value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) {
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  }
  return digits;
}

// Length of the AM/PM marker ("am/pm" or "a/p", any case) at the start of `text`, else 0.
std::size_t AmPmLength(std::string_view text) {
  if (StartsWithNoCase(text, "am/pm")) return 5;
  if (StartsWithNoCase(text, "a/p")) return 3;
  return 0;
}

// A picture counts hours on a 12-hour clock when it carries an AM/PM marker outside quotes.
bool HasAmPm(std::string_view picture) {
  bool quoted = false;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    if (picture[i] == '"') quoted = !quoted;
    if (!quoted && AmPmLength(picture.substr(i)) != 0) return true;
  }
  return false;
}

std::size_t RunLength(std::string_view picture, std::size_t i) {
  const char c = Lower(picture[i]);
  std::size_t n = 1;
  while (i + n < picture.size() && Lower(picture[i + n]) == c) ++n;
  return n;
}

// Longest name at the start of `text`, compared without regard to ASCII case; -1 when none.
template <std::size_t N>
int MatchName(std::string_view text, const std::array<std::string, N>& a,
              const std::array<std::string, N>& b, std::size_t& length) {
  int found = -1;
  length = 0;
  for (const auto* names : {&a, &b}) {
    for (std::size_t i = 0; i < N; ++i) {
      const auto& name = (*names)[i];
      if (!name.empty() && name.size() > length && StartsWithNoCase(text, name)) {
        found = static_cast<int>(i);
        length = name.size();
      }
    }
  }
  return found;
}

// --- Translation of the C library's strftime formats into pictures.

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t extra = c < 0x80             ? 0
                              : (c & 0xE0) == 0xC0 ? 1
                              : (c & 0xF0) == 0xE0 ? 2
                              : (c & 0xF8) == 0xF0 ? 3
                                                   : 4;
    if (extra > 3) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

// Names come in the locale's character set. UTF-8 locales are the norm; for the older 8-bit
// ones (ISO-8859-1/15 for the Western languages) each byte is taken as Latin-1.
std::string ToUtf8(const char* text) {
  std::string_view s = text ? text : "";
  if (IsValidUtf8(s)) return std::string(s);
  std::string out;
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

struct Translator {
  locale_t locale;
  bool twelveHour = false;
  bool amPm = false;

  std::string Translate(std::string_view format, int depth) {
    std::string out;
    std::string literal;
    auto flush = [&] {
      if (literal.empty()) return;
      // Letters in literal text would be read as picture fields: quote them.
      bool letters = false;
      for (const char c : literal) letters = letters || IsAsciiLetter(c);
      out += letters ? "\"" + literal + "\"" : literal;
      literal.clear();
    };
    auto field = [&](std::string_view picture) {
      flush();
      out += picture;
    };
    auto nested = [&](nl_item item, std::string_view fallback) {
      const char* inner = nl_langinfo_l(item, locale);
      field(depth < 3 && inner && *inner ? Translate(inner, depth + 1) : std::string(fallback));
    };

    for (std::size_t i = 0; i < format.size(); ++i) {
      if (format[i] != '%') {
        if (format[i] != '"') literal += format[i];  // a quote cannot be written in a picture
        continue;
      }
      bool noPad = false;
      // GNU flags, a field width and the E/O modifiers: only "-" (no padding) matters here.
      while (i + 1 < format.size() &&
             std::string_view("-_0^#").find(format[i + 1]) != std::string_view::npos) {
        noPad = noPad || format[i + 1] == '-';
        ++i;
      }
      while (i + 1 < format.size() &&
             (IsDigit(format[i + 1]) || format[i + 1] == 'E' || format[i + 1] == 'O')) {
        ++i;
      }
      if (++i >= format.size()) break;
      switch (format[i]) {
        case 'd':
          field(noPad ? "d" : "dd");
          break;
        case 'e':
          field("d");
          break;
        case 'm':
          field(noPad ? "m" : "mm");
          break;
        case 'y':
          field("yy");
          break;
        case 'Y':
          field("yyyy");
          break;
        case 'H':
          field(noPad ? "h" : "hh");
          break;
        case 'k':
          field("h");
          break;
        case 'I':
          field(noPad ? "h" : "hh");
          twelveHour = true;
          break;
        case 'l':
          field("h");
          twelveHour = true;
          break;
        case 'M':
          field(noPad ? "n" : "nn");
          break;
        case 'S':
          field(noPad ? "s" : "ss");
          break;
        case 'p':
        case 'P':
          field("AM/PM");
          amPm = true;
          break;
        case 'b':
        case 'h':
          field("mmm");
          break;
        case 'B':
          field("mmmm");
          break;
        case 'a':
          field("ddd");
          break;
        case 'A':
          field("dddd");
          break;
        case 'D':
          field("mm/dd/yy");
          break;
        case 'T':
          field("hh:nn:ss");
          break;
        case 'R':
          field("hh:nn");
          break;
        case 'F':
          field("yyyy-mm-dd");
          break;
        case 'r':
          nested(T_FMT_AMPM, "hh:nn:ss AM/PM");
          twelveHour = true;
          break;
        case 'x':
          nested(D_FMT, "mm/dd/yy");
          break;
        case 'X':
          nested(T_FMT, "hh:nn:ss");
          break;
        case 'c':
          nested(D_T_FMT, "ddd mmm d hh:nn:ss yyyy");
          break;
        case 't':
          literal += '\t';
          break;
        case 'n':
          literal += ' ';
          break;
        case '%':
          literal += '%';
          break;
        default:
          break;  // zones, week numbers and the like have no picture: left out
      }
    }
    flush();
    return out;
  }
};

// Top-level translation: a 12-hour field with no marker of its own gets one, or the picture
// would print 24-hour values.
std::string Translate(locale_t locale, std::string_view format) {
  Translator t{locale};
  std::string picture = t.Translate(format, 0);
  if (t.twelveHour && !t.amPm) picture += " AM/PM";
  return picture;
}

std::string ToPicture(locale_t locale, nl_item item, std::string_view fallback) {
  const char* format = nl_langinfo_l(item, locale);
  std::string picture = format ? Translate(locale, format) : std::string();
  return picture.empty() ? std::string(fallback) : picture;
}

// The first punctuation outside quotes, e.g. "/" in "dd/mm/yyyy".
char SeparatorOf(std::string_view picture, char fallback) {
  bool quoted = false;
  for (const char c : picture) {
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && !IsAsciiLetter(c) && !IsDigit(c) &&
               static_cast<unsigned char>(c) < 0x80) {
      return c;
    }
  }
  return fallback;
}

bool IsPosixLocaleName(std::string_view name) {
  return name == "C" || name == "POSIX" || name.starts_with("C.") || name.starts_with("POSIX.");
}

// The LC_TIME locale name newlocale() resolves "" to.
std::string LocaleNameFromEnvironment() {
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return "C";
}

}  // namespace

std::string PictureFromStrftime(std::string_view format) {
  // Formats nested in the ones given ("%x", "%r") are taken from the C locale.
  const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (c == static_cast<locale_t>(nullptr)) throw std::bad_alloc();
  std::string picture = Translate(c, format);
  freelocale(c);
  return picture;
}

Regional Regional::French() {
  Regional r;
  r.shortDateFormat = "dd/mm/yyyy";
  r.longTimeFormat = "hh:nn:ss";
  r.dateSeparator = '/';
  r.timeSeparator = ':';
  r.longMonthNames = {"janvier", "février", "mars",      "avril",   "mai",      "juin",
                      "juillet", "août",    "septembre", "octobre", "novembre", "décembre"};
  r.shortMonthNames = {"janv.", "févr.", "mars",  "avr.", "mai",  "juin",
                       "juil.", "août",  "sept.", "oct.", "nov.", "déc."};
  r.longDayNames = {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"};
  r.shortDayNames = {"dim.", "lun.", "mar.", "mer.", "jeu.", "ven.", "sam."};
  return r;
}

// The C and POSIX locales carry no regional choice, only the C library's English defaults:
// the program's own French settings stand in for them, as they do when the locale is missing.
Regional Regional::FromEnvironment() {
  if (IsPosixLocaleName(LocaleNameFromEnvironment())) return French();
  const locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return French();

  Regional r = French();
  r.shortDateFormat = ToPicture(locale, D_FMT, r.shortDateFormat);
  r.longTimeFormat = ToPicture(locale, T_FMT, r.longTimeFormat);
  r.dateSeparator = SeparatorOf(r.shortDateFormat, r.dateSeparator);
  r.timeSeparator = SeparatorOf(r.longTimeFormat, r.timeSeparator);
  auto take = [&](nl_item item, std::string& target) {
    auto name = ToUtf8(nl_langinfo_l(item, locale));
    if (!name.empty()) target = std::move(name);
  };
  for (int i = 0; i < 12; ++i) {
    take(static_cast<nl_item>(MON_1 + i), r.longMonthNames[static_cast<std::size_t>(i)]);
    take(static_cast<nl_item>(ABMON_1 + i), r.shortMonthNames[static_cast<std::size_t>(i)]);
  }
  for (int i = 0; i < 7; ++i) {
    take(static_cast<nl_item>(DAY_1 + i), r.longDayNames[static_cast<std::size_t>(i)]);
    take(static_cast<nl_item>(ABDAY_1 + i), r.shortDayNames[static_cast<std::size_t>(i)]);
  }
  freelocale(locale);
  return r;
}

std::string Regional::Format(std::string_view picture, TDateTime value) const {
  const DateParts date = DecodeDate(value);
  const TimeParts time = DecodeTime(value);
  const bool twelveHour = HasAmPm(picture);
  std::string out;
  bool afterHour = false;  // "m" and "mm" right after an hour field are minutes

  for (std::size_t i = 0; i < picture.size();) {
    const char c = picture[i];
    if (c == '"') {
      const auto close = picture.find('"', i + 1);
      const auto end = close == std::string_view::npos ? picture.size() : close;
      out += picture.substr(i + 1, end - i - 1);
      i = close == std::string_view::npos ? picture.size() : close + 1;
      continue;
    }
    if (const auto n = AmPmLength(picture.substr(i)); n != 0) {
      const bool pm = time.hour >= 12;
      std::string marker = n == 5 ? (pm ? "pm" : "am") : (pm ? "p" : "a");
      if (IsUpper(c)) {
        for (auto& m : marker) m = static_cast<char>(m - 'a' + 'A');
      }
      out += marker;
      i += n;
      afterHour = false;
      continue;
    }
    const std::size_t run = RunLength(picture, i);
    switch (Lower(c)) {
      case 'd': {
        const int dow = DayOfWeek(value) - 1;
        if (run <= 2)
          out += Padded(date.day, static_cast<int>(run));
        else if (run == 3)
          out += shortDayNames[static_cast<std::size_t>(dow)];
        else
          out += longDayNames[static_cast<std::size_t>(dow)];
        break;
      }
      case 'm':
        if (afterHour && run <= 2)
          out += Padded(time.minute, static_cast<int>(run));
        else if (run <= 2)
          out += Padded(date.month, static_cast<int>(run));
        else if (run == 3)
          out += shortMonthNames[static_cast<std::size_t>(date.month - 1)];
        else
          out += longMonthNames[static_cast<std::size_t>(date.month - 1)];
        break;
      case 'y':
        out += run <= 2 ? Padded(date.year % 100, 2) : Padded(date.year, 4);
        break;
      case 'h': {
        int hour = time.hour;
        if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
        out += Padded(hour, run >= 2 ? 2 : 1);
        break;
      }
      case 'n':
        out += Padded(time.minute, run >= 2 ? 2 : 1);
        break;
      case 's':
        out += Padded(time.second, run >= 2 ? 2 : 1);
        break;
      case 'z':
        out += Padded(time.msec, run >= 2 ? 3 : 1);
        break;
      default:
        out += c;
        ++i;
        continue;  // separators leave the hour context alone
    }
    afterHour = Lower(c) == 'h';
    i += run;
  }
  return out;
}

// A two-digit year is placed in a window: 00-49 are 2000-2049, 50-99 are 1950-1999.
std::optional<TDateTime> Regional::ParseShortDate(std::string_view text) const {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);

  const std::string_view picture = shortDateFormat;
  int day = -1, month = -1, year = -1;
  std::size_t pos = 0;

  auto readNumber = [&](std::size_t maxDigits, int& target, std::size_t& digits) {
    digits = 0;
    int value = 0;
    while (digits < maxDigits && pos < text.size() && IsDigit(text[pos])) {
      value = value * 10 + (text[pos++] - '0');
      ++digits;
    }
    target = value;
    return digits > 0;
  };
  auto literal = [&](std::string_view expected) {
    if (text.substr(pos).substr(0, expected.size()) != expected) return false;
    pos += expected.size();
    return true;
  };

  for (std::size_t i = 0; i < picture.size();) {
    const char c = picture[i];
    if (c == '"') {
      const auto close = picture.find('"', i + 1);
      const auto end = close == std::string_view::npos ? picture.size() : close;
      if (!literal(picture.substr(i + 1, end - i - 1))) return std::nullopt;
      i = close == std::string_view::npos ? picture.size() : close + 1;
      continue;
    }
    const std::size_t run = RunLength(picture, i);
    std::size_t digits = 0;
    std::size_t length = 0;
    switch (Lower(c)) {
      case 'd':
        if (run <= 2) {
          if (!readNumber(2, day, digits)) return std::nullopt;
        } else if (MatchName(text.substr(pos), longDayNames, shortDayNames, length) >= 0) {
          pos += length;  // the day's name says nothing the number does not
        } else {
          return std::nullopt;
        }
        break;
      case 'm':
        if (run <= 2) {
          if (!readNumber(2, month, digits)) return std::nullopt;
        } else {
          const int index = MatchName(text.substr(pos), longMonthNames, shortMonthNames, length);
          if (index < 0) return std::nullopt;
          month = index + 1;
          pos += length;
        }
        break;
      case 'y':
        if (!readNumber(4, year, digits) || (digits != 2 && digits != 4)) return std::nullopt;
        if (digits == 2) year += year < 50 ? 2000 : 1900;
        break;
      case 'h':
      case 'n':
      case 's':
      case 'z':
        return std::nullopt;  // a time of day has no place in a short date
      default:
        if (!literal(picture.substr(i, 1))) return std::nullopt;
        ++i;
        continue;
    }
    i += run;
  }
  if (pos != text.size() || day < 0 || month < 0 || year < 0) return std::nullopt;
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result)) return std::nullopt;
  return result;
}

}  // namespace chronolin

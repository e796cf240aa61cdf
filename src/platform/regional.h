#pragma once
// The regional date and time settings: short date and long time formats and the month names.
// Formats use the day/month/year picture letters: d dd ddd dddd, m mm mmm mmmm, yy yyyy,
// h hh, n nn (minutes), s ss, am/pm as "AM/PM", literal text in double quotes, anything else
// copied. "m" right after "h" or "hh" means minutes, as in "hh:mm:ss".
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "common/date_time.h"

namespace chronolin {

struct Regional {
  std::string shortDateFormat;  // "dd/mm/yyyy"
  std::string longTimeFormat;   // "hh:nn:ss"
  char dateSeparator = '/';
  char timeSeparator = ':';
  std::array<std::string, 12> longMonthNames;   // "janvier"...
  std::array<std::string, 12> shortMonthNames;  // "janv."...
  std::array<std::string, 7> longDayNames;      // Sunday first
  std::array<std::string, 7> shortDayNames;

  // The program's own French settings.
  static Regional French();
  // From LC_TIME of the process environment; French() when LC_TIME is C or POSIX.
  static Regional FromEnvironment();

  // Formats with a picture as described above.
  std::string Format(std::string_view picture, TDateTime value) const;
  std::string FormatShortDate(TDateTime value) const { return Format(shortDateFormat, value); }
  std::string FormatLongTime(TDateTime value) const { return Format(longTimeFormat, value); }

  // Reads a date written in shortDateFormat (numeric day, month, year in the picture's order,
  // separated as the picture separates them; a two-digit year 00-49 is 2000-2049, 50-99 is
  // 1950-1999). Nullopt unless the whole text (blanks aside) is a valid date.
  std::optional<TDateTime> ParseShortDate(std::string_view text) const;
};

// The picture for a strftime format of the C library ("%d/%m/%Y" gives "dd/mm/yyyy"). Letters
// of literal text are quoted; conversions with no picture equivalent (zones, week numbers) are
// left out; a 12-hour field without "%p" gets an "AM/PM" at the end.
std::string PictureFromStrftime(std::string_view format);

}  // namespace chronolin

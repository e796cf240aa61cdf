#pragma once
// Date-time values as the program stores them: days since 1899-12-30 in a double, the time of
// day in the fraction. Local civil time; no time zone is carried.
//
// Before 1899-12-30 the integer part still counts the days (toward zero) while the fraction is
// the time of day measured away from zero: -1.25 is 1899-12-29 06:00, not 1899-12-28 18:00.
// A consequence of that convention is that values in (-1, 0) fall on 1899-12-30 like their
// positive counterparts. Use ComposeDateTime to join a date and a time of day correctly.
#include <string>
#include <string_view>

namespace chronolin {

using TDateTime = double;

struct DateParts {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
};

struct TimeParts {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int msec = 0;
};

// 0001-01-01 and 9999-12-31, the range the Encode/Decode functions accept.
inline constexpr TDateTime kMinDate = -693593.0;
inline constexpr TDateTime kMaxDate = 2958465.0;

// Throws std::invalid_argument for a date or time outside the valid ranges.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec = 0);
// Returns false (and leaves the result untouched) where Encode* would throw.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);

// Joins a whole-day date and a time of day (0 <= time < 1), honouring the sign convention.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

// Both round the value to the nearest millisecond first, so a time a hair short of midnight
// decodes as 00:00:00.000 of the next day. DecodeDate throws std::invalid_argument for
// non-finite values and for years outside 1..9999; DecodeTime for non-finite values.
DateParts DecodeDate(TDateTime value);
TimeParts DecodeTime(TDateTime value);

// The whole days (truncated toward zero) and the time of day (the fraction's magnitude).
// No millisecond rounding here: DatePart(0.99999999999) is 0.
TDateTime DatePart(TDateTime value);
TDateTime TimePart(TDateTime value);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Day of the week, 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime value);

// Fixed, locale-independent text: "yyyy-mm-dd hh:nn:ss". The time is left out when the value
// is a whole day, the date when the day is 1899-12-30 (so a bare time or duration reads
// "hh:nn:ss", and 0 reads "00:00:00"). Milliseconds are dropped. Throws like DecodeDate.
std::string DateTimeToString(TDateTime value);
// Reads the three shapes DateTimeToString writes ("yyyy-mm-dd", "hh:nn:ss" or both separated
// by one space; seconds optional). Returns false and leaves the result untouched otherwise.
bool TryParseDateTime(std::string_view text, TDateTime& result);

}  // namespace chronolin

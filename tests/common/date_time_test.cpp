#include "common/date_time.h"

#include <limits>
#include <stdexcept>

#include <gtest/gtest.h>

namespace chronolin {
namespace {

// Serial numbers cross-checked against an independent calendar implementation.
TEST(DateTime, EncodeKnownSerials) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1);
  EXPECT_EQ(EncodeDate(1900, 2, 28), 60);
  EXPECT_EQ(EncodeDate(1900, 3, 1), 61);  // no 1900-02-29 in between
  EXPECT_EQ(EncodeDate(2000, 2, 29), 36585);
  EXPECT_EQ(EncodeDate(2026, 12, 7), 46363);
  EXPECT_EQ(EncodeDate(1, 1, 1), kMinDate);
  EXPECT_EQ(EncodeDate(9999, 12, 31), kMaxDate);
  EXPECT_EQ(EncodeDate(1600, 2, 29), -109512);
}

TEST(DateTime, LeapYearsAndInvalidDates) {
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2026));
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_THROW(EncodeDate(1900, 2, 29), std::invalid_argument);
  EXPECT_THROW(EncodeDate(2026, 4, 31), std::invalid_argument);
  EXPECT_THROW(EncodeDate(0, 1, 1), std::invalid_argument);
  EXPECT_THROW(EncodeDate(10000, 1, 1), std::invalid_argument);
  EXPECT_THROW(EncodeDate(2026, 13, 1), std::invalid_argument);
  EXPECT_THROW(EncodeTime(24, 0, 0), std::invalid_argument);
  EXPECT_THROW(EncodeTime(0, 60, 0), std::invalid_argument);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), std::invalid_argument);
  TDateTime untouched = 42;
  EXPECT_FALSE(TryEncodeDate(2026, 2, 29, untouched));
  EXPECT_EQ(untouched, 42);
}

TEST(DateTime, RoundTripsEveryDayOfSeveralCenturies) {
  for (int serial = -40000; serial <= 80000; ++serial) {
    const DateParts d = DecodeDate(serial);
    ASSERT_EQ(EncodeDate(d.year, d.month, d.day), serial) << serial;
  }
  const DateParts first = DecodeDate(kMinDate);
  EXPECT_EQ(first.year, 1);
  const DateParts last = DecodeDate(kMaxDate + 0.5);
  EXPECT_EQ(last.year, 9999);
  EXPECT_EQ(last.day, 31);
}

TEST(DateTime, TimeOfDayRoundTripsToTheMillisecond) {
  for (int ms = 0; ms < 86'400'000; ms += 997) {
    const TDateTime t = EncodeTime(ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60, ms % 1000);
    const TimeParts p = DecodeTime(EncodeDate(2026, 12, 7) + t);
    ASSERT_EQ(((p.hour * 60 + p.minute) * 60 + p.second) * 1000 + p.msec, ms);
  }
}

TEST(DateTime, NegativeValuesKeepTheTimeAwayFromZero) {
  const TDateTime v = -1.25;
  const DateParts d = DecodeDate(v);
  EXPECT_EQ(d.year, 1899);
  EXPECT_EQ(d.month, 12);
  EXPECT_EQ(d.day, 29);
  EXPECT_EQ(DecodeTime(v).hour, 6);
  EXPECT_EQ(DatePart(v), -1);
  EXPECT_EQ(TimePart(v), 0.25);
  EXPECT_EQ(ComposeDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0)), -1.25);
  EXPECT_EQ(ComposeDateTime(EncodeDate(2026, 12, 7), 0.5), 46363.5);
  EXPECT_EQ(DateTimeToString(-1.25), "1899-12-29 06:00:00");
}

TEST(DateTime, MillisecondRoundingCarriesIntoTheNextDay) {
  const TDateTime almost = EncodeDate(2026, 12, 7) + 0.99999999999;
  const DateParts d = DecodeDate(almost);
  const TimeParts t = DecodeTime(almost);
  EXPECT_EQ(d.day, 8);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.minute, 0);
  EXPECT_EQ(t.msec, 0);
  EXPECT_EQ(DayOfWeek(almost), 3);  // Tuesday, like the decoded date
  EXPECT_EQ(DateTimeToString(almost), "2026-12-08");
  // Just past a second boundary from below must not show 59.999 -> 60.
  const TimeParts s = DecodeTime(EncodeTime(10, 20, 30) - 1e-12);
  EXPECT_EQ(s.second, 30);
  EXPECT_EQ(s.msec, 0);
}

TEST(DateTime, DecodeRejectsValuesOutsideTheCalendar) {
  EXPECT_THROW(DecodeDate(kMinDate - 1), std::invalid_argument);
  EXPECT_THROW(DecodeDate(kMaxDate + 1), std::invalid_argument);
  EXPECT_THROW(DecodeDate(1e300), std::invalid_argument);
  EXPECT_THROW(DecodeTime(std::numeric_limits<double>::quiet_NaN()), std::invalid_argument);
}

TEST(DateTime, DayOfWeek) {
  EXPECT_EQ(DayOfWeek(0), 7);                        // 1899-12-30, Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 7)), 2);  // Monday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);      // Monday, proleptic calendar
  EXPECT_EQ(DayOfWeek(-1.5), 6);                     // 1899-12-29, Friday
}

TEST(DateTime, TextFormTracksWhichPartsArePresent) {
  EXPECT_EQ(DateTimeToString(EncodeDate(2026, 12, 7)), "2026-12-07");
  EXPECT_EQ(DateTimeToString(EncodeDate(2026, 12, 7) + EncodeTime(8, 5, 9, 999)),
            "2026-12-07 08:05:09");
  EXPECT_EQ(DateTimeToString(EncodeTime(1, 2, 3)), "01:02:03");
  EXPECT_EQ(DateTimeToString(0), "00:00:00");

  for (const char* text : {"2026-12-07", "2026-12-07 08:05:09", "01:02:03", "1850-06-01 18:00:00",
                           "0001-01-01", "9999-12-31 23:59:59"}) {
    TDateTime v = 0;
    ASSERT_TRUE(TryParseDateTime(text, v)) << text;
    EXPECT_EQ(DateTimeToString(v), text);
  }
  TDateTime v = 7;
  EXPECT_TRUE(TryParseDateTime("12:30", v));
  EXPECT_EQ(v, 0.5 + 1.0 / 48);
  for (const char* bad : {"", "2026-02-29", "2026-1-07", "25:00", "2026-12-07 ", "12:30:", "x"}) {
    v = 7;
    EXPECT_FALSE(TryParseDateTime(bad, v)) << bad;
    EXPECT_EQ(v, 7);
  }
}

}  // namespace
}  // namespace chronolin

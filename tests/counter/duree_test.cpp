#include "counter/duree.h"

#include <gtest/gtest.h>

namespace chronolin {
namespace {

TEST(Duree, ShownWithTwoDigitsUpToNinetyNineHours) {
  EXPECT_EQ(SecondsToDuree(0), "00:00:00");
  EXPECT_EQ(SecondsToDuree(3725), "01:02:05");
  EXPECT_EQ(SecondsToDuree(359999), "99:59:59");
  EXPECT_EQ(SecondsToDuree(360000), "-- : -- : --");
  EXPECT_EQ(SecondsToDuree(2147483647), "-- : -- : --");
}

TEST(Duree, StoredTextKeepsEveryHourDigitAndReadsBack) {
  EXPECT_EQ(SecondsToStoredDuree(3725), "01:02:05");
  EXPECT_EQ(SecondsToStoredDuree(123 * 3600 + 4 * 60 + 5), "123:04:05");
  for (std::int32_t s : {0, 59, 3600, 359999, 360000, 443045, 2147483647})
    EXPECT_EQ(DureeToSeconds(SecondsToStoredDuree(s)), s) << s;
}

TEST(Duree, ReadingAcceptsAnyFieldWidthAndIgnoresAFourthField) {
  EXPECT_EQ(DureeToSeconds("1:2:3"), 3723);
  EXPECT_EQ(DureeToSeconds("00:90:00"), 5400);
  EXPECT_EQ(DureeToSeconds("01:02:03:99"), 3723);
  EXPECT_EQ(DureeToSeconds("01:02:03:"), 3723);
  EXPECT_EQ(DureeToSeconds("-1:00:00"), -3600);
}

TEST(Duree, UnreadableTextCountsAsZero) {
  for (const char* text : {"", "12:34", "a:b:c", "01::03", "-- : -- : --", " 1:2:3", "1:2:3x",
                           "99999999999:00:00", "596524:00:00"})
    EXPECT_EQ(DureeToSeconds(text), 0) << text;
}

}  // namespace
}  // namespace chronolin

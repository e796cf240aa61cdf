#include "settings/param_duree.h"

#include <gtest/gtest.h>

namespace chronolin {
namespace {

std::string Step(std::string_view text, int caret, int step) {
  return StepDureeField(text, caret, step).Text;
}

TEST(ParamDureeTest, CaretPositionsChooseTheField) {
  // 0-2 hours, 3-5 minutes, 6-8 seconds; the positions next to a ":" belong to the field they
  // touch on that side.
  for (int c : {0, 1, 2}) EXPECT_EQ(Step("01:01:01", c, +1), "02:01:01") << c;
  for (int c : {3, 4, 5}) EXPECT_EQ(Step("01:01:01", c, +1), "01:02:01") << c;
  for (int c : {6, 7, 8}) EXPECT_EQ(Step("01:01:01", c, +1), "01:01:02") << c;
  for (int c : {-1, 9, 40}) {
    const DureeStep r = StepDureeField("01:01:01", c, +1);
    EXPECT_EQ(r.Text, "01:01:01") << c;
    EXPECT_FALSE(r.Changed);
  }
}

TEST(ParamDureeTest, FieldsStopAtTheirBoundsWithoutWrapOrCarry) {
  EXPECT_EQ(Step("09:59:59", 4, +1), "09:59:59");  // 60 minutes: no carry into the hours
  EXPECT_EQ(Step("09:59:59", 1, +1), "10:59:59");
  EXPECT_EQ(Step("00:00:00", 7, -1), "00:00:00");
  EXPECT_EQ(Step("00:00:00", 4, -1), "00:00:00");
  EXPECT_EQ(Step("00:00:00", 0, -1), "00:00:00");
  EXPECT_EQ(Step("99:00:00", 0, +1), "99:00:00");
  EXPECT_EQ(Step("00:00:59", 8, +1), "00:00:59");
  EXPECT_EQ(Step("10:00:00", 0, -1), "09:00:00");  // a leading zero below 10
  EXPECT_EQ(Step("00:10:00", 3, -1), "00:09:00");
}

TEST(ParamDureeTest, CaretStaysInPlace) {
  const DureeStep r = StepDureeField("09:59:59", 1, +1);
  EXPECT_TRUE(r.Changed);
  EXPECT_EQ(r.Caret, 1);
  EXPECT_EQ(StepDureeField("00:00:00", 5, +1).Caret, 5);
}

TEST(ParamDureeTest, WideHourFieldOfALargeTotalIsHandled) {
  // What the counter stores from 100 hours on.
  EXPECT_EQ(Step("123:04:05", 0, +1), "124:04:05");
  EXPECT_EQ(Step("123:04:05", 3, -1), "122:04:05");
  EXPECT_EQ(Step("123:04:05", 4, +1), "123:05:05");  // just after the ":" is the minutes
  EXPECT_EQ(Step("123:04:05", 9, +1), "123:04:06");
  // Down below 100 the field narrows and the caret stays at its end.
  const DureeStep narrowed = StepDureeField("100:00:00", 3, -1);
  EXPECT_EQ(narrowed.Text, "99:00:00");
  EXPECT_EQ(narrowed.Caret, 2);
  // The two-digit field still stops at 99.
  EXPECT_EQ(Step("99:00:00", 2, +1), "99:00:00");
  const std::string top = std::to_string(kMaxDureeHours) + ":59:59";
  EXPECT_EQ(Step(top, 0, +1), top);
  EXPECT_EQ(Step(top, 0, -1), std::to_string(kMaxDureeHours - 1) + ":59:59");
}

TEST(ParamDureeTest, ShortFieldsOfAHandEditedTextAreRewrittenWithTwoDigits) {
  // "5:3:2": hours 0-1, minutes 2-3, seconds 4-5.
  EXPECT_EQ(Step("5:3:2", 0, +1), "06:3:2");
  const DureeStep r = StepDureeField("5:3:2", 3, +1);
  EXPECT_EQ(r.Text, "5:04:2");
  EXPECT_EQ(r.Caret, 3);
  EXPECT_EQ(Step("5:3:2", 5, -1), "5:3:01");
  // Out of range from the start: no move in either direction.
  EXPECT_EQ(Step("00:75:00", 4, -1), "00:75:00");
}

TEST(ParamDureeTest, UnreadableTextIsRefusedWhole) {
  for (std::string_view text : {"-- : -- : --", "", "12:34", "1a:00:00", "00:00:00:00", "00::00",
                                "-1:00:00", "1234567890:00:00"}) {
    EXPECT_THROW(StepDureeField(text, 0, +1), DureeConversionError) << text;
  }
  try {
    StepDureeField("-- : -- : --", 7, +1);
    FAIL();
  } catch (const DureeConversionError& e) {
    EXPECT_STREQ(e.what(), "'-- ' n'est pas un nombre entier valide");
  }
}

}  // namespace
}  // namespace chronolin

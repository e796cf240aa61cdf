#include "settings/param_duree.h"

#include <gtest/gtest.h>

namespace chronolin {
namespace {

std::string Step(std::string_view text, int caret, int step) {
  return StepDureeField(text, caret, step).Text;
}

TEST(ParamDureeTest, CaretPositionsChooseTheField) {
  // 0-2 hours, 3-5 minutes, 6-8 seconds: the positions beside a ":" belong to the field they
  // touch on that side. Elsewhere nothing changes.
  for (int c : {0, 2}) EXPECT_EQ(Step("01:01:01", c, +1), "02:01:01") << c;
  for (int c : {3, 5}) EXPECT_EQ(Step("01:01:01", c, +1), "01:02:01") << c;
  for (int c : {6, 8}) EXPECT_EQ(Step("01:01:01", c, -1), "01:01:00") << c;
  for (int c : {-1, 9}) EXPECT_FALSE(StepDureeField("01:01:01", c, +1).Changed) << c;
  EXPECT_EQ(Step("10:00:00", 0, -1), "09:00:00");  // a leading zero below 10
}

TEST(ParamDureeTest, WideHourFieldOfALargeTotalIsHandled) {
  // What the counter stores from 100 hours on.
  EXPECT_EQ(Step("123:04:05", 0, +1), "124:04:05");
  EXPECT_EQ(Step("123:04:05", 4, +1), "123:05:05");  // just after the ":" is the minutes
  // Down below 100 the field narrows and the caret stays at its end.
  const DureeStep narrowed = StepDureeField("100:00:00", 3, -1);
  EXPECT_EQ(narrowed.Text, "99:00:00");
  EXPECT_EQ(narrowed.Caret, 2);
  EXPECT_EQ(Step("99:00:00", 2, +1), "99:00:00");  // the two-digit field still stops at 99
  const std::string top = std::to_string(kMaxDureeHours) + ":59:59";
  EXPECT_EQ(Step(top, 0, +1), top);
}

TEST(ParamDureeTest, ShortFieldsOfAHandEditedTextAreRewrittenWithTwoDigits) {
  // "5:3:2": hours 0-1, minutes 2-3, seconds 4-5.
  EXPECT_EQ(Step("5:3:2", 0, +1), "06:3:2");
  EXPECT_EQ(Step("5:3:2", 3, +1), "5:04:2");
  EXPECT_EQ(Step("00:75:00", 4, -1), "00:75:00");  // out of range either way: no move
}

TEST(ParamDureeTest, UnreadableTextIsRefusedWhole) {
  for (std::string_view text : {"-- : -- : --", "", "12:34", "1a:00:00", "00:00:00:00", "00::00",
                                "-1:00:00", "1234567890:00:00"}) {
    EXPECT_THROW(StepDureeField(text, 0, +1), DureeConversionError) << text;
  }
}

}  // namespace
}  // namespace chronolin

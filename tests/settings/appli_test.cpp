#include "settings/appli.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace chronolin {
namespace {

TAppli Make(std::string cmd, std::int32_t delay, std::int32_t state, bool close) {
  TAppli a;
  a.CmdLine = std::move(cmd);
  a.Delay = delay;
  a.WindowState = state;
  a.CloseOnDisconnect = close;
  return a;
}

TEST(AppliValue, ParsesWellFormedAndShortRecords) {
  EXPECT_EQ(ParseAppliValue("notepad.exe,1500,2,0"), Make("notepad.exe", 1500, 2, false));
  EXPECT_EQ(ParseAppliValue("/usr/bin/mail -x"), Make("/usr/bin/mail -x", 0, 0, true));
  EXPECT_EQ(ParseAppliValue(""), Make("", 0, 0, true));
  // Without a second comma only the command line is taken.
  EXPECT_EQ(ParseAppliValue("prog,500"), Make("prog", 0, 0, true));
  EXPECT_EQ(ParseAppliValue("prog,500,"), Make("prog", 500, 0, true));
  EXPECT_EQ(ParseAppliValue("prog,500,1"), Make("prog", 500, 1, true));
  EXPECT_EQ(ParseAppliValue("prog,500,1,"), Make("prog", 500, 1, true));
  EXPECT_EQ(ParseAppliValue("prog,0,0,7"), Make("prog", 0, 0, true));
}

TEST(AppliValue, GarbageFieldsKeepTheirDefaults) {
  EXPECT_EQ(ParseAppliValue("prog,abc,1,0"), Make("prog", 0, 1, false));
  EXPECT_EQ(ParseAppliValue("prog,,2,0"), Make("prog", 0, 2, false));
  EXPECT_EQ(ParseAppliValue("prog,-5,2,0"), Make("prog", 0, 2, false));
  EXPECT_EQ(ParseAppliValue("prog,99999999999,2,0"), Make("prog", 0, 2, false));
  EXPECT_EQ(ParseAppliValue("prog, 250 ,2,0"), Make("prog", 250, 2, false));
  EXPECT_EQ(ParseAppliValue("prog,10,7,0"), Make("prog", 10, 0, false));
  EXPECT_EQ(ParseAppliValue("prog,10,x,y"), Make("prog", 10, 0, true));
  // Positions count, not commas: a two-character state puts a comma where the flag should be.
  EXPECT_EQ(ParseAppliValue("prog,10,12,0"), Make("prog", 10, 1, true));
}

TEST(AppliValue, FormatRoundTripsAndRefusesWhatCannotBeReadBack) {
  const TAppli samples[] = {Make("notepad.exe", 0, 0, true),
                            Make("/bin/x --y=z", 2147483647, 2, false), Make("", 5, 1, true)};
  for (const auto& a : samples) EXPECT_EQ(ParseAppliValue(FormatAppliValue(a)), a);
  EXPECT_EQ(FormatAppliValue(Make("prog", 1500, 2, false)), "prog,1500,2,0");
  EXPECT_THROW(FormatAppliValue(Make("a,b", 0, 0, true)), std::invalid_argument);
  EXPECT_THROW(FormatAppliValue(Make("a\nb", 0, 0, true)), std::invalid_argument);
  EXPECT_THROW(FormatAppliValue(Make("a", -1, 0, true)), std::invalid_argument);
  EXPECT_THROW(FormatAppliValue(Make("a", 0, 3, true)), std::invalid_argument);
}

}  // namespace
}  // namespace chronolin

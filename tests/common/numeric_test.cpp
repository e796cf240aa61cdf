#include "common/numeric.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "common/currency.h"

namespace chronolin {
namespace {

TEST(Numeric, ParseNumberAcceptsBothDecimalSeparators) {
  EXPECT_EQ(ParseNumber("12.5"), 12.5);
  EXPECT_EQ(ParseNumber(" -12,5 "), -12.5);
  EXPECT_EQ(ParseNumber("+.5"), 0.5);
  EXPECT_EQ(ParseNumber("5."), 5.0);
  EXPECT_EQ(ParseNumber("1,5E3"), 1500.0);
  EXPECT_EQ(ParseNumber("2e-1"), 0.2);
  for (const char* bad : {"", "  ", "-", ".", "1.2.3", "1,2,3", "1 000", "1e", "1e+", "0x10", "inf",
                          "nan", "12abc", "--1", "1e999"}) {
    EXPECT_FALSE(ParseNumber(bad).has_value()) << bad;
  }
}

TEST(Numeric, ParseIntegerIsExactOverTheWholeRange) {
  EXPECT_EQ(ParseInteger(" 9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(ParseInteger("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(ParseInteger("+007"), 7);
  for (const char* bad : {"9223372036854775808", "+-5", "-", "1.0", "", "1e3"}) {
    EXPECT_FALSE(ParseInteger(bad).has_value()) << bad;
  }
}

TEST(Numeric, FormatDoubleIsShortestWithinFifteenDigits) {
  EXPECT_EQ(FormatDouble(3.0), "3");
  EXPECT_EQ(FormatDouble(0.5), "0.5");
  EXPECT_EQ(FormatDouble(-0.0), "0");
  EXPECT_EQ(FormatDouble(0.1 + 0.2), "0.3");
  EXPECT_EQ(FormatDouble(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FormatDouble(123456789012345.0), "123456789012345");
  EXPECT_EQ(FormatDouble(1e15), "1E+15");
  EXPECT_EQ(FormatDouble(1e20), "1E+20");
  EXPECT_EQ(FormatDouble(-2.5e-7), "-2.5E-7");
  EXPECT_EQ(FormatDouble(0.0001), "0.0001");
  EXPECT_EQ(FormatDouble(1200.0), "1200");
  EXPECT_EQ(FormatDouble(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FormatSingle(0.1f), "0.1");
  EXPECT_EQ(FormatSingle(16777216.0f), "16777216");
  // Whatever is printed must read back as the value when it fits in 15 digits.
  for (const double v : {46363.75, 1.1, 98765.4321, -1e-5, 6.02214076e23}) {
    EXPECT_EQ(ParseNumber(FormatDouble(v)), v) << v;
  }
}

TEST(Numeric, RoundHalfEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(2.5000000001), 3);
  EXPECT_EQ(RoundHalfEven(0.49999999999999994), 0);  // naive floor(x + 0.5) gives 1
  EXPECT_EQ(RoundHalfEven(4503599627370497.0), 4503599627370497.0);
}

TEST(Currency, ExactFixedPoint) {
  // Ten cents added ten times is exactly one; in double it is not.
  Currency sum;
  for (int i = 0; i < 10; ++i)
    sum = Currency::FromScaled(sum.Scaled() + Currency::FromDouble(0.1)->Scaled());
  EXPECT_EQ(sum, *Currency::FromInt64(1));
  EXPECT_EQ(Currency::FromDouble(1.23456)->Scaled(), 12346);
  EXPECT_EQ(Currency::FromDouble(0.00005)->Scaled(), 0);  // tie to even
  EXPECT_EQ(Currency::FromDouble(0.00015)->Scaled(), 2);  // binary value is just below the tie
  EXPECT_EQ(Currency::FromDouble(-0.00025)->Scaled(), -2);
  EXPECT_EQ(Currency::FromDouble(0.1 + 0.2)->Scaled(), 3000);
  EXPECT_EQ(Currency::FromDouble(123456789012.3456)->Scaled(), 1234567890123456);
  EXPECT_EQ(Currency::FromDouble(1e-300)->Scaled(), 0);
  EXPECT_EQ(Currency::FromScaled(-1).ToString(), "-0.0001");
  EXPECT_EQ(Currency::FromScaled(125000).ToString(), "12.5");
  EXPECT_EQ(Currency::FromScaled(30000).ToString(), "3");
  EXPECT_EQ(Currency::FromScaled(std::numeric_limits<std::int64_t>::min()).ToString(),
            "-922337203685477.5808");
  EXPECT_FALSE(Currency::FromDouble(1e15).has_value());
  EXPECT_FALSE(Currency::FromDouble(std::nan("")).has_value());
  EXPECT_FALSE(Currency::FromInt64(922337203685478).has_value());
  EXPECT_TRUE(Currency::FromInt64(922337203685477).has_value());
}

TEST(Currency, RoundsToIntegerHalfEvenWithoutDouble) {
  EXPECT_EQ(Currency::FromScaled(25000).RoundToInt64(), 2);
  EXPECT_EQ(Currency::FromScaled(35000).RoundToInt64(), 4);
  EXPECT_EQ(Currency::FromScaled(-25000).RoundToInt64(), -2);
  EXPECT_EQ(Currency::FromScaled(-25001).RoundToInt64(), -3);
  EXPECT_EQ(Currency::FromScaled(24999).RoundToInt64(), 2);
  EXPECT_EQ(Currency::FromScaled(std::numeric_limits<std::int64_t>::max()).RoundToInt64(),
            922337203685478);
}

}  // namespace
}  // namespace chronolin

#include "common/variant.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace chronolin {
namespace {

using I64 = std::numeric_limits<std::int64_t>;

TEST(Variant, FactoriesTagTheType) {
  EXPECT_TRUE(Variant().IsEmpty());
  EXPECT_TRUE(Variant::Null().IsNull());
  EXPECT_EQ(Variant::FromSmallInt(1).Type(), VarType::SmallInt);
  EXPECT_EQ(Variant::FromByte(1).Type(), VarType::Byte);
  EXPECT_EQ(Variant::FromDate(1).Type(), VarType::Date);
  EXPECT_EQ(Variant::FromBool(true).Type(), VarType::Boolean);
  EXPECT_TRUE(Variant::FromCurrency(Currency()).IsNumeric());
  EXPECT_FALSE(Variant::FromDate(1).IsNumeric());
  EXPECT_FALSE(Variant::FromBool(true).IsNumeric());
  EXPECT_TRUE(Variant::FromWideString(u"x").IsText());
  EXPECT_FALSE(Variant::Null().IsEmpty());
}

TEST(Variant, EqualityIsStrictAboutType) {
  EXPECT_EQ(Variant::FromInt32(1), Variant::FromInt32(1));
  EXPECT_NE(Variant::FromInt32(1), Variant::FromInt64(1));
  EXPECT_NE(Variant::FromDouble(2), Variant::FromDate(2));
  EXPECT_NE(Variant(), Variant::Null());
  EXPECT_NE(Variant::FromString("a"), Variant::FromWideString(u"a"));
  EXPECT_NE(Variant::FromDouble(NAN), Variant::FromDouble(NAN));
}

TEST(Variant, ToDoubleFollowsTheConventions) {
  EXPECT_EQ(Variant().ToDouble(), 0);
  EXPECT_EQ(Variant::FromBool(true).ToDouble(), -1);
  EXPECT_EQ(Variant::FromBool(false).ToDouble(), 0);
  EXPECT_EQ(Variant::FromCurrency(Currency::FromScaled(12345)).ToDouble(), 1.2345);
  EXPECT_EQ(Variant::FromDate(46363.5).ToDouble(), 46363.5);
  EXPECT_EQ(Variant::FromSingle(0.5f).ToDouble(), 0.5);
  EXPECT_EQ(Variant::FromString(" 3,25 ").ToDouble(), 3.25);
  EXPECT_EQ(Variant::FromWideString(u"-1.5e2").ToDouble(), -150);
}

TEST(Variant, FailedConversionsThrowWithTheTypeNames) {
  try {
    Variant::FromString("abc").ToDouble();
    FAIL() << "no exception";
  } catch (const VariantError& e) {
    EXPECT_STREQ(e.what(), "Could not convert variant of type (String) into type (Double)");
  }
  EXPECT_THROW(Variant::FromString("").ToDouble(), VariantError);
  EXPECT_THROW(Variant::FromString("12 h").ToInt32(), VariantError);
  EXPECT_THROW(Variant::FromWideString(u"\u00E9").ToInt64(), VariantError);
  EXPECT_THROW(Variant::FromString("maybe").ToBool(), VariantError);
  EXPECT_THROW(Variant::FromString("tomorrow").ToDateTime(), VariantError);
  EXPECT_THROW(Variant::FromDouble(NAN).ToInt32(), VariantError);
  EXPECT_THROW(Variant::FromDate(1e7).ToString(), VariantError);
  const Variant null = Variant::Null();
  EXPECT_THROW(null.ToDouble(), VariantError);
  EXPECT_THROW(null.ToInt32(), VariantError);
  EXPECT_THROW(null.ToBool(), VariantError);
  EXPECT_THROW(null.ToString(), VariantError);
  EXPECT_THROW(null.ToWideString(), VariantError);
  EXPECT_THROW(null.ToDateTime(), VariantError);
  EXPECT_THROW(null.ToCurrency(), VariantError);
  EXPECT_THROW(Variant::FromInt32(1).AsString(), VariantError);
}

TEST(Variant, IntegerConversionsRoundHalfEvenAndCheckRange) {
  EXPECT_EQ(Variant::FromDouble(2.5).ToInt32(), 2);
  EXPECT_EQ(Variant::FromDouble(3.5).ToInt32(), 4);
  EXPECT_EQ(Variant::FromDouble(-2.5).ToInt32(), -2);
  EXPECT_EQ(Variant::FromString("2,5").ToInt32(), 2);
  EXPECT_EQ(Variant::FromCurrency(Currency::FromScaled(15000)).ToInt32(), 2);
  EXPECT_EQ(Variant::FromBool(true).ToInt32(), -1);
  EXPECT_EQ(Variant::FromDouble(2147483647.4).ToInt32(), 2147483647);
  EXPECT_EQ(Variant::FromDouble(-2147483648.0).ToInt32(), -2147483648);
  EXPECT_THROW(Variant::FromDouble(2147483647.5).ToInt32(), VariantOverflowError);
  EXPECT_THROW(Variant::FromInt64(2147483648).ToInt32(), VariantOverflowError);
  EXPECT_THROW(Variant::FromString("-2147483649").ToInt32(), VariantOverflowError);
  EXPECT_THROW(Variant::FromDouble(9.3e18).ToInt64(), VariantOverflowError);
  EXPECT_THROW(Variant::FromDouble(9223372036854775808.0).ToInt64(), VariantOverflowError);
  EXPECT_EQ(Variant::FromDouble(-9223372036854775808.0).ToInt64(), I64::min());
  EXPECT_THROW(Variant::FromString("1e30").ToInt64(), VariantOverflowError);
  // Integer text is read exactly, not through a double.
  EXPECT_EQ(Variant::FromString("9007199254740993").ToInt64(), 9007199254740993);
  EXPECT_EQ(Variant::FromString("9223372036854775807").ToInt64(), I64::max());
  EXPECT_EQ(Variant::FromInt64(I64::min()).ToInt64(), I64::min());
}

TEST(Variant, CurrencyKeepsFourDecimalsExactly) {
  const Variant c = Variant::FromCurrency(Currency::FromScaled(12345678901234567));
  EXPECT_EQ(c.ToString(), "1234567890123.4567");
  EXPECT_EQ(c.ToCurrency().Scaled(), 12345678901234567);
  EXPECT_EQ(Variant::FromDouble(0.1).ToCurrency().Scaled(), 1000);
  EXPECT_EQ(Variant::FromString("19,99").ToCurrency().Scaled(), 199900);
  EXPECT_EQ(Variant::FromInt32(-7).ToCurrency().Scaled(), -70000);
  EXPECT_THROW(Variant::FromInt64(I64::max()).ToCurrency(), VariantOverflowError);
  EXPECT_THROW(Variant::FromDouble(1e300).ToCurrency(), VariantOverflowError);
}

TEST(Variant, ToBoolAndToDateTime) {
  EXPECT_FALSE(Variant().ToBool());
  EXPECT_TRUE(Variant::FromDouble(0.1).ToBool());
  EXPECT_TRUE(Variant::FromString(" TRUE ").ToBool());
  EXPECT_FALSE(Variant::FromWideString(u"false").ToBool());
  EXPECT_TRUE(Variant::FromString("-1").ToBool());
  EXPECT_FALSE(Variant::FromCurrency(Currency()).ToBool());
  EXPECT_EQ(Variant::FromInt32(46363).ToDateTime(), EncodeDate(2026, 12, 7));
  EXPECT_EQ(Variant::FromString("46363,5").ToDateTime(), 46363.5);
  EXPECT_EQ(Variant::FromString("2026-12-07 12:00:00").ToDateTime(), 46363.5);
  const Variant old = Variant::FromDate(-1.25);
  EXPECT_EQ(Variant::FromString(old.ToString()).ToDateTime(), -1.25);
}

TEST(Variant, ToStringForEachType) {
  EXPECT_EQ(Variant().ToString(), "");
  EXPECT_EQ(Variant::FromSmallInt(-32768).ToString(), "-32768");
  EXPECT_EQ(Variant::FromByte(255).ToString(), "255");
  EXPECT_EQ(Variant::FromInt64(I64::min()).ToString(), "-9223372036854775808");
  EXPECT_EQ(Variant::FromDouble(3.0).ToString(), "3");
  EXPECT_EQ(Variant::FromDouble(1e20).ToString(), "1E+20");
  EXPECT_EQ(Variant::FromSingle(0.1f).ToString(), "0.1");
  EXPECT_EQ(Variant::FromBool(false).ToString(), "False");
  EXPECT_EQ(Variant::FromDate(46363).ToString(), "2026-12-07");
  EXPECT_EQ(Variant::FromDate(46363.75).ToString(), "2026-12-07 18:00:00");
  EXPECT_EQ(Variant::FromDate(0.75).ToString(), "18:00:00");
  EXPECT_EQ(Variant::FromWideString(u"\u20AC\U0001D11E").ToString(),
            "\xE2\x82\xAC\xF0\x9D\x84\x9E");
  EXPECT_EQ(Variant::FromString("\xE2\x82\xAC").ToWideString(), u"\u20AC");
  EXPECT_EQ(Variant::FromInt32(42).ToWideString(), u"42");
}

TEST(VariantArray, BoundsAndRowMajorLayout) {
  VariantArray a({{1, 3}, {0, 1}});
  EXPECT_EQ(a.DimensionCount(), 2u);
  EXPECT_EQ(a.ElementCount(), 6u);
  for (int i = 1; i <= 3; ++i) {
    for (int j = 0; j <= 1; ++j) a.At({i, j}) = Variant::FromInt32(i * 10 + j);
  }
  EXPECT_EQ(a.Elements()[0], Variant::FromInt32(10));
  EXPECT_EQ(a.Elements()[1], Variant::FromInt32(11));
  EXPECT_EQ(a.Elements()[5], Variant::FromInt32(31));
  const std::vector<std::int32_t> idx{2, 1};
  EXPECT_EQ(a.At(idx).ToInt32(), 21);

  EXPECT_THROW(a.At({0, 0}), VariantError);
  EXPECT_THROW(a.At({4, 0}), VariantError);
  EXPECT_THROW(a.At({1, 2}), VariantError);
  EXPECT_THROW(a.At({1, -1}), VariantError);
  EXPECT_THROW(a.At({1}), VariantError);
  EXPECT_THROW(a.At({1, 0, 0}), VariantError);

  VariantArray negative({{-5, -3}});
  negative.At({-5}) = Variant::FromBool(true);
  EXPECT_TRUE(negative.Elements()[0].ToBool());
  EXPECT_THROW(negative.At({-6}), VariantError);
}

TEST(VariantArray, RejectsBadShapes) {
  EXPECT_THROW(VariantArray({}), VariantError);
  EXPECT_THROW(VariantArray({{3, 1}}), VariantError);
  EXPECT_EQ(VariantArray({{0, -1}}).ElementCount(), 0u);               // empty is allowed
  EXPECT_THROW(VariantArray({{0, 65535}, {0, 65535}}), VariantError);  // over kMaxElements
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  EXPECT_THROW(VariantArray({{kMin, 2147483647}}), VariantError);  // length overflows int32
}

TEST(VariantArray, VariantCopiesAreDeep) {
  VariantArray inner({{0, 1}});
  inner.At({0}) = Variant::FromString("before");
  Variant original = Variant::FromArray(inner);
  Variant copy = original;
  copy.AsArray().At({0}) = Variant::FromString("after");
  EXPECT_EQ(original.AsArray().At({0}).AsString(), "before");
  EXPECT_NE(original, copy);
  copy = original;
  EXPECT_EQ(original, copy);
  EXPECT_THROW(original.ToDouble(), VariantError);
  EXPECT_THROW(original.ToString(), VariantError);
  // Arrays nest.
  VariantArray outer({{1, 1}});
  outer.At({1}) = original;
  const Variant nested = Variant::FromArray(outer);
  EXPECT_EQ(nested.AsArray().At({1}).AsArray().At({0}).AsString(), "before");
}

}  // namespace
}  // namespace chronolin

#include "common/text_codec.h"

#include <string>

#include <gtest/gtest.h>

namespace chronolin {
namespace {

// "é€𝄞": two-, three- and four-byte UTF-8 sequences.
const std::string kUtf8 = "\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E";
const std::u16string kUtf16 = u"\u00E9\u20AC\U0001D11E";

TEST(TextCodec, Utf8AndUtf16RoundTrip) {
  EXPECT_EQ(Utf8ToUtf16(kUtf8), kUtf16);
  EXPECT_EQ(kUtf16.size(), 4u);  // the clef is a surrogate pair
  EXPECT_EQ(Utf16ToUtf8(kUtf16), kUtf8);
  EXPECT_EQ(Utf8ToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
  EXPECT_EQ(Utf16ToUtf8(u"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
  EXPECT_TRUE(IsValidUtf8(kUtf8));
  EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));  // a genuine U+FFFD is valid
}

TEST(TextCodec, MalformedUtf8BecomesOneReplacementPerMaximalSubpart) {
  struct Case {
    std::string in;
    std::u16string out;
  };
  const Case cases[] = {
      {"a\x80z", u"a\uFFFDz"},                            // stray continuation
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/': C0 is never a lead
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xE2\x82", u"\uFFFD"},                            // truncated at the end
      {"\xE2\x82z", u"\uFFFDz"},                          // truncated: 'z' survives
      {"\xF0\x9D\x84\xC3\xA9", u"\uFFFD\u00E9"},          // cut four-byte, next char intact
      {"\xFF", u"\uFFFD"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << testing::PrintToString(c.in);
    EXPECT_FALSE(IsValidUtf8(c.in)) << testing::PrintToString(c.in);
  }
}

TEST(TextCodec, LoneSurrogatesBecomeReplacements) {
  EXPECT_EQ(Utf16ToUtf8(u"a\xD800z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(Utf16ToUtf8(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");   // reversed pair
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD83D')), "\xEF\xBF\xBD");  // high at the end
  EXPECT_EQ(Utf16ToLatin1(u"\xD800"), "?");
}

TEST(TextCodec, Latin1) {
  const std::string latin1 = "caf\xE9 \xFF";
  EXPECT_EQ(Latin1ToUtf16(latin1), u"caf\u00E9 \u00FF");
  EXPECT_EQ(Latin1ToUtf8(latin1), "caf\xC3\xA9 \xC3\xBF");
  EXPECT_EQ(Utf8ToLatin1("caf\xC3\xA9 \xC3\xBF"), latin1);
  EXPECT_EQ(Utf16ToLatin1(Latin1ToUtf16(latin1)), latin1);
  EXPECT_EQ(Utf16ToLatin1(kUtf16), "\xE9??");  // one '?' for the surrogate pair
  EXPECT_EQ(Utf8ToLatin1("\x80"), "?");
  EXPECT_TRUE(IsLatin1(u"caf\u00E9\u00FF"));
  EXPECT_FALSE(IsLatin1(u"\u0100"));
  EXPECT_FALSE(IsLatin1(kUtf16));
}

TEST(TextCodec, AsciiCaseFoldingLeavesOtherBytesAlone) {
  EXPECT_EQ(ToUpperAscii("abz@[`{\xC3\xA9"), "ABZ@[`{\xC3\xA9");
  EXPECT_EQ(ToLowerAscii("ABZ@[`{\xC3\x89"), "abz@[`{\xC3\x89");
  EXPECT_TRUE(EqualsIgnoreCase("Feuil1", "FEUIL1"));
  EXPECT_FALSE(EqualsIgnoreCase("\xC3\xA9", "\xC3\x89"));  // é vs É: not ASCII
  EXPECT_FALSE(EqualsIgnoreCase("ab", "abc"));
  EXPECT_LT(CompareIgnoreCase("abc", "ABD"), 0);
  EXPECT_GT(CompareIgnoreCase("b", "A"), 0);
  EXPECT_LT(CompareIgnoreCase("ab", "AB0"), 0);
  EXPECT_EQ(CompareIgnoreCase("MiXeD", "mixed"), 0);
  EXPECT_LT(CompareIgnoreCase("z", "\xC3\xA9"), 0);  // bytes compare unsigned
  EXPECT_LT(CompareIgnoreCase("_", "a"), 0);         // '_' sits between 'Z' and 'a'
}

}  // namespace
}  // namespace chronolin

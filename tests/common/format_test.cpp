#include "common/format.h"

#include <cwchar>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace chronolin {
namespace {

TEST(Format, FormatsShortAndLongMessages) {
  EXPECT_EQ(Format("%s line %d: %.2f", "journal", 12, 2.5), "journal line 12: 2.50");
  EXPECT_EQ(Format("%s", ""), "");
  // Longer than the first buffer, and exactly at its edge, needs the second pass.
  for (const std::size_t n : {255u, 256u, 257u, 10000u}) {
    const std::string arg(n, 'x');
    const std::string out = Format("[%s]", arg.c_str());
    ASSERT_EQ(out.size(), n + 2);
    EXPECT_EQ(out, "[" + arg + "]");
  }
}

TEST(Format, KeepsEmbeddedNulsFromPercentC) {
  const std::string out = Format("a%cb", '\0');
  EXPECT_EQ(out, std::string("a\0b", 3));
}

TEST(Format, RejectsUnconvertibleArguments) {
  // In the "C" locale a wide character above 0x7F cannot be converted.
  const wchar_t wide[] = {static_cast<wchar_t>(0x1234), 0};
  EXPECT_THROW(Format("%ls", wide), std::invalid_argument);
}

}  // namespace
}  // namespace chronolin

#include "settings/param_applis.h"

#include <gtest/gtest.h>

namespace chronolin {
namespace {

TAppli App(std::string cmdLine, std::int32_t delay) {
  TAppli a;
  a.CmdLine = std::move(cmdLine);
  a.Delay = delay;
  return a;
}

std::string Order(const TAppliList& applis) {
  std::string order;
  for (const auto& a : applis) order += a.CmdLine + "@" + std::to_string(a.Delay) + " ";
  return order;
}

TEST(ParamApplisTest, NameAndDirectoryOfACommandLine) {
  EXPECT_EQ(AppliFileName("/usr/bin/xterm"), "xterm");
  EXPECT_EQ(AppliDirectory("/usr/bin/xterm"), "/usr/bin");
  EXPECT_EQ(AppliDirectory("/xterm"), "/");  // the root keeps its separator
  EXPECT_EQ(AppliDirectory("xterm"), "");
  EXPECT_EQ(ParseDelayText(""), std::nullopt);
  EXPECT_EQ(ParseDelayText("0500"), 500);
}

TEST(ParamApplisTest, ADelayBetweenItsNeighboursLeavesTheOrder) {
  TAppliList applis{App("/a", 500), App("/b", 1000), App("/c", 1500)};
  EXPECT_FALSE(SetAppliDelay(applis, 1, 1500).Sorted);  // equal to the next
  EXPECT_FALSE(SetAppliDelay(applis, 2, 9999).Sorted);  // the last has no upper neighbour
  EXPECT_EQ(Order(applis), "/a@500 /b@1500 /c@9999 ");
}

TEST(ParamApplisTest, TheMovedEntryIsFoundEvenAmongSameNames) {
  // Two copies of one program: the index designates the edited one, not the first of its name.
  TAppliList applis{App("/x/prog", 500), App("/y/prog", 1000)};
  const AppliMove move = SetAppliDelay(applis, 0, 2000);
  EXPECT_TRUE(move.Sorted);
  EXPECT_EQ(applis[move.Index].CmdLine, "/x/prog");
}

TEST(ParamApplisTest, AnUnorderedListFromTheFileIsSortedStably) {
  TAppliList applis{App("/a", 3000), App("/b", 700), App("/c", 700), App("/d", 100)};
  const AppliMove move = SetAppliDelay(applis, 3, 50);
  EXPECT_EQ(Order(applis), "/d@50 /b@700 /c@700 /a@3000 ");
  EXPECT_EQ(move.Index, 0u);
}

}  // namespace
}  // namespace chronolin

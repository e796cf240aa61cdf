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

std::vector<std::string> Order(const TAppliList& applis) {
  std::vector<std::string> names;
  for (const auto& a : applis) names.push_back(a.CmdLine + "@" + std::to_string(a.Delay));
  return names;
}

TEST(ParamApplisTest, NameAndDirectoryOfACommandLine) {
  EXPECT_EQ(AppliFileName("/usr/bin/xterm"), "xterm");
  EXPECT_EQ(AppliDirectory("/usr/bin/xterm"), "/usr/bin");
  EXPECT_EQ(AppliFileName("/xterm"), "xterm");
  EXPECT_EQ(AppliDirectory("/xterm"), "/");  // the root keeps its separator
  EXPECT_EQ(AppliFileName("xterm"), "xterm");
  EXPECT_EQ(AppliDirectory("xterm"), "");
  EXPECT_EQ(AppliDirectory("/opt/mes outils/é/prog"), "/opt/mes outils/é");
}

TEST(ParamApplisTest, DelayText) {
  EXPECT_EQ(ParseDelayText("0"), 0);
  EXPECT_EQ(ParseDelayText("0500"), 500);
  EXPECT_EQ(ParseDelayText("9999"), 9999);
  EXPECT_EQ(ParseDelayText(""), std::nullopt);
  EXPECT_EQ(ParseDelayText("12a"), std::nullopt);
  EXPECT_EQ(ParseDelayText("-5"), std::nullopt);
  EXPECT_EQ(ParseDelayText("99999999999"), std::nullopt);
}

TEST(ParamApplisTest, ADelayBetweenItsNeighboursLeavesTheOrder) {
  TAppliList applis{App("/a", 500), App("/b", 1000), App("/c", 1500)};
  const AppliMove move = SetAppliDelay(applis, 1, 1500);  // equal to the next: still in order
  EXPECT_FALSE(move.Sorted);
  EXPECT_EQ(move.Index, 1u);
  EXPECT_EQ(Order(applis), (std::vector<std::string>{"/a@500", "/b@1500", "/c@1500"}));
  EXPECT_FALSE(SetAppliDelay(applis, 0, 0).Sorted);
  EXPECT_FALSE(SetAppliDelay(applis, 2, 9999).Sorted);  // the last has no upper neighbour
}

TEST(ParamApplisTest, ADelayOutOfOrderSortsAndTheEntryIsFollowed) {
  TAppliList applis{App("/a", 500), App("/b", 1000), App("/c", 1500)};
  AppliMove move = SetAppliDelay(applis, 1, 2000);
  EXPECT_TRUE(move.Sorted);
  EXPECT_EQ(move.Index, 2u);
  EXPECT_EQ(Order(applis), (std::vector<std::string>{"/a@500", "/c@1500", "/b@2000"}));
  move = SetAppliDelay(applis, 2, 2);
  EXPECT_EQ(move.Index, 0u);
  EXPECT_EQ(Order(applis), (std::vector<std::string>{"/b@2", "/a@500", "/c@1500"}));
}

TEST(ParamApplisTest, TheMovedEntryIsFoundEvenAmongSameNames) {
  // Two copies of one program: the index designates the edited one, not the first of that name.
  TAppliList applis{App("/x/prog", 500), App("/y/prog", 1000)};
  const AppliMove move = SetAppliDelay(applis, 0, 2000);
  EXPECT_EQ(move.Index, 1u);
  EXPECT_EQ(applis[move.Index].CmdLine, "/x/prog");
}

TEST(ParamApplisTest, AnUnorderedListFromTheFileIsSortedStably) {
  TAppliList applis{App("/a", 3000), App("/b", 700), App("/c", 700), App("/d", 100)};
  const AppliMove move = SetAppliDelay(applis, 3, 50);
  EXPECT_TRUE(move.Sorted);
  EXPECT_EQ(Order(applis), (std::vector<std::string>{"/d@50", "/b@700", "/c@700", "/a@3000"}));
  EXPECT_EQ(move.Index, 0u);
}

TEST(ParamApplisTest, AnIndexOutOfTheListChangesNothing) {
  TAppliList applis{App("/a", 500)};
  EXPECT_FALSE(SetAppliDelay(applis, 4, 10).Sorted);
  EXPECT_EQ(applis[0].Delay, 500);
}

}  // namespace
}  // namespace chronolin

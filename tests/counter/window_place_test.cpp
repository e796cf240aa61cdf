#include "counter/window_place.h"

#include <gtest/gtest.h>

#include <climits>

namespace chronolin {

bool operator==(WindowPos a, WindowPos b) {
  return a.X == b.X && a.Y == b.Y;
}
void PrintTo(WindowPos pos, std::ostream* out) {
  *out << "(" << pos.X << ", " << pos.Y << ")";
}

namespace {

// A screen at (left, top) with a panel of `panel` pixels along its bottom.
ScreenArea Screen(int left, int top, int width, int height, int panel = 0) {
  return {{left, top, width, height}, {left, top, width, height - panel}};
}

TEST(WindowPlaceTest, AWindowOffTheScreensGoesToTheNearestScreensDefaultPlace) {
  const std::vector<ScreenArea> small{Screen(0, 0, 800, 600)};
  // Saved on 1024 x 768, opened on 800 x 600: one pixel would have shown.
  EXPECT_EQ(PlaceOnScreens({907, 719}, 117, 19, small), (WindowPos{683, 551}));
  // Wholly inside, even in a corner: left where it is.
  EXPECT_EQ(PlaceOnScreens({0, 0}, 117, 19, small), (WindowPos{0, 0}));
  EXPECT_EQ(PlaceOnScreens({683, 581}, 117, 19, small), (WindowPos{683, 581}));
  // One pixel out on either side is not inside.
  EXPECT_EQ(PlaceOnScreens({-1, 0}, 117, 19, small), (WindowPos{683, 551}));
  EXPECT_EQ(PlaceOnScreens({684, 0}, 117, 19, small), (WindowPos{683, 551}));
  // Garbage from the file, the int range's ends included.
  for (const WindowPos pos : {WindowPos{INT_MAX, INT_MAX}, WindowPos{INT_MIN, INT_MIN},
                              WindowPos{INT_MAX, INT_MIN}})
    EXPECT_EQ(PlaceOnScreens(pos, 117, 19, small), (WindowPos{683, 551}));

  // Two screens side by side: the one nearest to the window takes it.
  const std::vector<ScreenArea> two{Screen(0, 0, 1024, 768), Screen(1024, 0, 800, 600)};
  EXPECT_EQ(PlaceOnScreens({1500, 700}, 117, 19, two), (WindowPos{1707, 551}));
  EXPECT_EQ(PlaceOnScreens({-500, 300}, 117, 19, two), (WindowPos{907, 719}));
  // Straddling the two screens lies inside neither: the screen holding its centre takes it.
  EXPECT_EQ(PlaceOnScreens({950, 100}, 117, 19, two), (WindowPos{907, 719}));
  EXPECT_EQ(PlaceOnScreens({1000, 100}, 117, 19, two), (WindowPos{1707, 551}));
  EXPECT_EQ(PlaceOnScreens({1100, 100}, 117, 19, two), (WindowPos{1100, 100}));
}

TEST(WindowPlaceTest, APanelOverTheDefaultPlacePushesItUp) {
  // A 40-pixel panel covers the usual place (30 pixels above the bottom).
  const ScreenArea screen = Screen(0, 0, 1024, 768, 40);
  EXPECT_EQ(DefaultPlace(screen, 117, 19), (WindowPos{907, 709}));
  EXPECT_EQ(PlaceOnScreens({907, 719}, 117, 19, {screen}), (WindowPos{907, 709}));
  // A thin panel leaves it alone.
  EXPECT_EQ(DefaultPlace(Screen(0, 0, 1024, 768, 20), 117, 19), (WindowPos{907, 719}));
}

}  // namespace
}  // namespace chronolin

#include "counter/window_place.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace chronolin {
namespace {

constexpr int kBottomMargin = 30;

// Wide arithmetic: positions read from the file may be anywhere in the int range.
bool Inside(std::int64_t left, std::int64_t top, int width, int height, const ScreenRect& area) {
  return left >= area.Left && top >= area.Top &&
         left + width <= std::int64_t{area.Left} + area.Width &&
         top + height <= std::int64_t{area.Top} + area.Height;
}

// Squared distance from a point to a rectangle (0 inside it).
double Distance(double x, double y, const ScreenRect& area) {
  const double dx = std::max({double(area.Left) - x, 0.0, x - (double(area.Left) + area.Width)});
  const double dy = std::max({double(area.Top) - y, 0.0, y - (double(area.Top) + area.Height)});
  return dx * dx + dy * dy;
}

}  // namespace

WindowPos DefaultPlace(const ScreenArea& screen, int width, int height) {
  const ScreenRect& g = screen.Geometry;
  const ScreenRect& a = screen.Available;
  int x = g.Left + g.Width - width;
  int y = g.Top + g.Height - height - kBottomMargin;
  x = std::clamp(x, a.Left, std::max(a.Left, a.Left + a.Width - width));
  y = std::clamp(y, a.Top, std::max(a.Top, a.Top + a.Height - height));
  return {x, y};
}

WindowPos PlaceOnScreens(WindowPos pos, int width, int height,
                         const std::vector<ScreenArea>& screens) {
  if (screens.empty()) return pos;
  for (const ScreenArea& screen : screens)
    if (Inside(pos.X, pos.Y, width, height, screen.Available)) return pos;
  const double cx = double(pos.X) + width / 2.0;
  const double cy = double(pos.Y) + height / 2.0;
  const ScreenArea* nearest = &screens.front();
  double best = std::numeric_limits<double>::infinity();
  for (const ScreenArea& screen : screens) {
    const double d = Distance(cx, cy, screen.Available);
    if (d < best) {
      best = d;
      nearest = &screen;
    }
  }
  return DefaultPlace(*nearest, width, height);
}

}  // namespace chronolin

#pragma once
// Where the counter window may stand: wholly inside the area a screen leaves to windows (the
// part panels do not take), so that it can always be reached. A place saved on another screen
// layout, or garbage in the settings file, must not lose it.
#include <vector>

#include "counter/counter_view.h"

namespace chronolin {

struct ScreenRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

struct ScreenArea {
  ScreenRect Geometry;   // the whole screen
  ScreenRect Available;  // what panels leave to windows
};

// Bottom right of the screen, 30 pixels above its lower edge; moved into the available area
// when a panel covers that place.
WindowPos DefaultPlace(const ScreenArea& screen, int width, int height);

// `pos` when a window of that size there lies wholly inside the available area of one of the
// screens; otherwise the default place of the screen whose available area is nearest to the
// window's centre. `pos` itself without screens.
WindowPos PlaceOnScreens(WindowPos pos, int width, int height,
                         const std::vector<ScreenArea>& screens);

}  // namespace chronolin

// Where the on-screen windows go over the video: each is laid out at the
// scale of the video's height (its size is made for a 350-pixel-high video),
// centred on the client area, at a fixed share of the video's height from its
// top.
#pragma once

#include "platform/ui/Screen.h"

namespace app::osd {

struct OsdLayout {
  ui::Rect banner;
  ui::Rect description;
  ui::Rect playback;
  ui::Rect volume;
  int fontPixels = 0;  // the banner font: 12 points at the scaled resolution
};

// `video` is the video rectangle in client coordinates.
OsdLayout LayOut(const ui::Rect& video, int clientWidth);

}  // namespace app::osd

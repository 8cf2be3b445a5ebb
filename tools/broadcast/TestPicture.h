// The picture of a synthetic channel: a plain background in the channel's
// colour with the channel number and the loop time drawn in large digits
// from a built-in 5x7 font.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace broadcast {

struct Plane {
  std::uint8_t* data = nullptr;
  int stride = 0;
  int width = 0;
  int height = 0;
};

// Draws `text` (digits, '.', ':', '-' and blanks; other characters are left
// empty) with its top-left corner at (x, y), each font pixel `scale` pixels wide.
void DrawText(Plane y, int x, int top, int scale, const std::string& text, std::uint8_t value);

// Fills the three 4:2:0 planes: background by `hue`, a moving bar, the
// channel number on the first line and `clock` ("12.05") on the second.
void DrawTestPicture(Plane y, Plane u, Plane v, int hue, int frame, const std::string& number,
                     const std::string& clock);

}  // namespace broadcast

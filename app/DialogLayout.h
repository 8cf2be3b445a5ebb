// Placing dialog controls by their top-left corner and size.
#pragma once

#include "platform/ui/Screen.h"

namespace app {

constexpr ui::Rect At(int x, int y, int width, int height) {
  return {x, y, x + width, y + height};
}

}  // namespace app

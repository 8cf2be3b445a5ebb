// Panels drawn over a window's video area: white text on solid blue, each
// at its own rectangle, with an optional level bar (the on-screen display).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Message.h"
#include "platform/ui/Screen.h"

namespace ui {

struct OverlayPanel {
  Rect rect;                            // in the owner's client coordinates
  std::vector<std::string> lines;       // from the left edge, top down
  std::vector<std::string> rightLines;  // from the right edge, top down
  int fontPixels = 16;
  bool wrap = false;  // one text wrapped over the panel instead of lines
  int level = -1;     // a level bar under the text when 0 or more
  int levelMax = 20;
};

class Overlay {
 public:
  // User-interface thread; over the owner's widget.
  explicit Overlay(WindowId owner);
  ~Overlay();
  Overlay(const Overlay&) = delete;
  Overlay& operator=(const Overlay&) = delete;

  // Shows these panels instead of the ones shown before; none hides all.
  void Show(std::vector<OverlayPanel> panels);
  std::size_t PanelCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui

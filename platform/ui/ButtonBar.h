// A strip of push buttons over a window, each posting its command to the
// owner as WM_COMMAND: the main window's control panel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Message.h"
#include "platform/ui/Screen.h"

namespace ui {

// A button, or with command 0 the start of the next row.
struct BarButton {
  std::string label;
  std::uint16_t command = 0;
};

class ButtonBar {
 public:
  // User-interface thread. The bar lies over the owner's widget, hidden
  // until shown.
  ButtonBar(WindowId owner, const std::vector<BarButton>& buttons);
  ~ButtonBar();
  ButtonBar(const ButtonBar&) = delete;
  ButtonBar& operator=(const ButtonBar&) = delete;

  // The size the buttons need.
  Size PreferredSize() const;
  // Places the bar in the owner's client coordinates.
  void Place(const Rect& rect);
  void SetVisible(bool visible);
  bool Visible() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui

// An overlay over the video area of the main window's frame: panes of glass
// labels (the on-screen guide and displays draw themselves with these), and
// the mouse on it reported to a window. Drawing and mouse only: the overlay
// takes no keys, so key presses keep going through the frame's owner.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Message.h"
#include "platform/ui/Screen.h"

namespace ui {

// Label styles: an olive gradient instead of the blue one, and the "(Rec) "
// prefix before the text.
inline constexpr std::uint8_t kGlassOlive = 0x02;
inline constexpr std::uint8_t kGlassRecording = 0x10;

struct GlassLabel {
  Rect rect;  // in its pane's coordinates
  std::string text;
  std::uint8_t style = 0;
};

// A pane of the overlay: its rectangle in the overlay and its labels, which
// it cuts at its edges.
struct GlassPane {
  Rect rect;
  std::vector<GlassLabel> labels;
};

class GlassOverlay {
 public:
  // User-interface thread; created hidden over the video area of the frame
  // of `frameOwner`. It sends `events` WM_SIZE (lParam: the new size) and the
  // mouse: WM_LBUTTONDOWN, WM_LBUTTONDBLCLK and WM_RBUTTONDOWN with the point
  // in the overlay, then WM_CONTEXTMENU with the point on the screen.
  GlassOverlay(WindowId frameOwner, WindowId events);
  ~GlassOverlay();
  GlassOverlay(const GlassOverlay&) = delete;
  GlassOverlay& operator=(const GlassOverlay&) = delete;

  void SetPanes(std::vector<GlassPane> panes);
  void Show();
  void Hide();
  Size ClientSize() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui

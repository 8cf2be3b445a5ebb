// The main window's frame on the screen: a top-level window with the title,
// a video area and a status line over it. Its close box posts WM_CLOSE to the
// owner window instead of closing; what happens then is the owner's choice.
// A change of the video area's size is posted to the owner as
// WM_VIDEO_RESIZED, so the picture is laid out again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/ui/Message.h"
#include "platform/ui/Screen.h"

namespace ui {

class Menu;

class Frame {
 public:
  // User-interface thread; created hidden. The frame is the widget of
  // `owner`: boxes are shown over it and its key presses go through the
  // owner's accelerators.
  Frame(WindowId owner, std::string_view title);
  ~Frame();
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  void Show();
  void Hide();
  bool Visible() const;
  // Places the frame's outer rectangle.
  void Place(const Rect& rect);
  Rect Placement() const;
  // The menu bar; the menu must outlive the frame.
  void SetMenuBar(Menu& menu);
  // The text shown in the video area while no video is shown there; an empty
  // text hides it.
  void SetStatus(std::string_view text);
  // The video area's size (left and top 0).
  Rect VideoArea() const;
  // The video area as the window system's handle, the parent of the video
  // widget that shows the picture.
  std::uintptr_t VideoAreaHandle() const;
  // Saves what the frame shows as a PNG file.
  bool Snapshot(const std::filesystem::path& file) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Whether the Shift key is held down now (asked of the window system).
bool ShiftKeyDown();

}  // namespace ui

// Screen geometry for default window placement.
#pragma once

namespace ui {

struct Size {
  int width = 0;
  int height = 0;
};

// The primary screen's size; 1920 x 1080 when no display is known (headless).
// The desktop front end installs the real query at start-up.
Size PrimaryScreenSize();
void SetPrimaryScreenQuery(Size (*query)());

// The outer size of the main window (frame and menu bar) around a client area.
Size MainWindowSizeForClient(Size client);

}  // namespace ui

// Screen geometry: the monitors with their whole and work areas, for default
// window placement, maximising and full screen.
#pragma once

#include <vector>

namespace ui {

struct Size {
  int width = 0;
  int height = 0;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;  // exclusive
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

struct Monitor {
  Rect area;      // the whole monitor (full screen)
  Rect workArea;  // without panels and docks (maximised windows)
  bool primary = false;
};

// The monitors, the primary one first. While an Application lives they are
// the real ones (ask on the user-interface thread then); without one
// (headless tools) a single 1920 x 1080 monitor.
std::vector<Monitor> Monitors();

// The monitor that shares the largest area with `rect`, or when none does,
// the one nearest to it.
Monitor MonitorNearest(const Rect& rect);

// The primary monitor's size.
Size PrimaryScreenSize();

// Replaces where Monitors() comes from (null: the headless default). The
// Application installs the toolkit's query.
void SetMonitorQuery(std::vector<Monitor> (*query)());

// The outer size of the main window (frame and menu bar) around a client area.
Size MainWindowSizeForClient(Size client);

}  // namespace ui

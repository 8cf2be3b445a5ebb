// The main window's modes: normal, maximised, minimised and full screen, and
// where the window goes when full screen is entered or left.
#pragma once

#include <cstdint>

#include "app/Settings.h"
#include "platform/ui/Screen.h"

namespace app::commands {

enum class WindowMode : std::uint32_t {
  kNormal = 0,
  kMaximised = 1,
  kMinimised = 2,
  kFullScreen = 3
};

// Where the window goes: its mode and outer rectangle, and whether the menu
// bar and the control panel show.
struct WindowTarget {
  WindowMode mode = WindowMode::kNormal;
  ui::Rect rect;
  bool menu = true;
  bool controlPanel = true;
};

enum class SystemCommand { kMinimise, kMaximise, kRestore };

class WindowModes {
 public:
  explicit WindowModes(Settings& settings) : settings_(settings) {}

  bool FullScreen() const { return settings_.fullScreen != 0; }
  // Enters full screen on the monitor the window is on now (`windowNow`, its
  // outer rectangle) or leaves it (back to maximised when the window was,
  // else to the normal rectangle).
  WindowTarget ToggleFullScreen(bool maximisedNow, const ui::Rect& windowNow);
  // The window system's minimise, maximise and restore. Restore in full
  // screen leaves full screen instead; the target then says where to go.
  WindowTarget Apply(SystemCommand command);

  ui::Rect NormalRect() const;
  // The control panel shows while the pointer is in its hot zone in full
  // screen, and when it is switched on in a window.
  bool ControlPanelShown(bool pointerInHotZone) const;

 private:
  WindowTarget Leave();

  Settings& settings_;
  bool wasMaximised_ = false;
};

}  // namespace app::commands

#include "app/commands/WindowModes.h"

namespace app::commands {

ui::Rect WindowModes::NormalRect() const {
  const WindowPlacement& p = settings_.windowPlacement;
  return {p.left, p.top, p.right, p.bottom};
}

WindowTarget WindowModes::ToggleFullScreen(bool maximisedNow, const ui::Rect& windowNow) {
  if (FullScreen()) return Leave();
  wasMaximised_ = maximisedNow;
  settings_.windowMode = static_cast<std::uint32_t>(WindowMode::kFullScreen);
  settings_.fullScreen = 1;
  return {WindowMode::kFullScreen, ui::MonitorNearest(windowNow).area, false, false};
}

WindowTarget WindowModes::Leave() {
  const bool menu = (settings_.viewFlags & kMenuVisible) != 0;
  const bool panel = (settings_.viewFlags & kControlPanelVisible) != 0;
  settings_.fullScreen = 0;
  const WindowMode mode = wasMaximised_ ? WindowMode::kMaximised : WindowMode::kNormal;
  settings_.windowMode = static_cast<std::uint32_t>(mode);
  const ui::Rect rect = wasMaximised_ ? ui::MonitorNearest(NormalRect()).workArea : NormalRect();
  wasMaximised_ = false;
  return {mode, rect, menu, panel};
}

WindowTarget WindowModes::Apply(SystemCommand command) {
  if (command == SystemCommand::kRestore && FullScreen()) return Leave();
  WindowMode mode = WindowMode::kNormal;
  ui::Rect rect = NormalRect();
  if (command == SystemCommand::kMinimise) mode = WindowMode::kMinimised;
  if (command == SystemCommand::kMaximise) {
    mode = WindowMode::kMaximised;
    rect = ui::MonitorNearest(NormalRect()).workArea;
  }
  if (!FullScreen()) settings_.windowMode = static_cast<std::uint32_t>(mode);
  return {mode, rect, (settings_.viewFlags & kMenuVisible) != 0,
          (settings_.viewFlags & kControlPanelVisible) != 0};
}

bool WindowModes::ControlPanelShown(bool pointerInHotZone) const {
  if (FullScreen()) return pointerInHotZone;
  return (settings_.viewFlags & kControlPanelVisible) != 0;
}

}  // namespace app::commands

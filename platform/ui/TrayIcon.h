// The notification-area (tray) icon: tool tip, the recording blink, a context
// menu, and clicks reported to the owner window as WM_TRAY_NOTIFY. When the
// tray host goes away and comes back (a panel restart), the icon is added
// again.
#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/ui/Message.h"

namespace ui {

class Menu;

class TrayIcon {
 public:
  struct Icons {
    // Image files; an empty path draws a plain icon of the program's own.
    std::filesystem::path normal;
    std::filesystem::path recording;  // the second frame of the blink
  };

  // User-interface thread; the icon is added at once.
  TrayIcon(WindowId owner, std::string_view tip, Icons icons = {});
  // Removes the icon.
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // The menu the icon opens; it must outlive the icon.
  void SetMenu(Menu& menu);

  // Called once a second: sets the tip; while recording, each call shows the
  // other frame of the blink, otherwise the normal icon; adds the icon again
  // when it was lost.
  void Refresh(std::string_view tip, bool recording);
  // True while the second frame of the blink is shown.
  bool RecordingFrameShown() const;

  // Whether a tray host shows icons now.
  static bool HostPresent();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui

// The main window: the frame with the video area, the menu, the tray icon,
// the one-second timer, and the messages of the graphs, the tray, the
// session's end and the power service.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/TunerManager.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "platform/power/PowerNotice.h"
#include "platform/ui/Frame.h"
#include "platform/ui/Menu.h"
#include "platform/ui/TrayIcon.h"
#include "platform/ui/Window.h"
#include "recording/scheduler/Scheduler.h"

namespace dvr {

// Commands of the menu and the tray.
inline constexpr std::uint16_t kCmdOpen = 40151;
inline constexpr std::uint16_t kCmdTrayClose = 40152;
inline constexpr std::uint16_t kCmdClose = 40164;
inline constexpr std::uint16_t kCmdSettings = 40043;
inline constexpr std::uint16_t kCmdChannels = 40072;
inline constexpr unsigned kSecondTimer = 1;

// What the window asks of the program around it.
class IMainWindowHost {
 public:
  virtual ~IMainWindowHost() = default;
  // The one-second work: monitor ticks and the scheduler.
  virtual void Tick() = 0;
  // Saves the settings file with the current channel.
  virtual bool SaveAll() = 0;
  virtual graph::CBDAFilterGraph* CurrentGraph() = 0;
  virtual recording::Scheduler& Scheduler() = 0;
  virtual void OnPowerNotice(power::PowerNotice notice) = 0;
  // The "Settings" and "Channels" dialogs (commands 40043 and 40072).
  virtual void SettingsCommand() = 0;
  virtual void ChannelsCommand() = 0;
};

class MainWindow final : public ui::Window {
 public:
  MainWindow(IMainWindowHost& host, app::TunerManager& manager, std::u16string_view title);
  ~MainWindow() override;

  ui::LResult OnMessage(ui::Message message, ui::WParam wParam, ui::LParam lParam) override;

  void AddTrayIcon();
  void RemoveTrayIcon();
  ui::Frame& Frame() { return frame_; }
  // Shows the window and starts live viewing.
  void Open();
  // Ends the program: the tray icon goes, the timer stops, the loop ends.
  void Destroy();
  // The status line in the video area, from the current graph.
  void RefreshStatus();
  const std::string& Title() const { return title_; }

 private:
  void OnCommand(std::uint16_t command);
  void OnClose();
  void OnTrayClose();
  // The session ends (log-off, shut-down, SIGTERM): asked first by the rules
  // of a running recording.
  void OnQueryEndSession();
  void OnEndSession(bool ending);
  void BuildMenu();

  IMainWindowHost& host_;
  app::TunerManager& manager_;
  std::string title_;
  ui::Frame frame_;
  ui::Menu menu_;
  ui::Menu trayMenu_;
  std::unique_ptr<ui::TrayIcon> tray_;
  bool destroyed_ = false;
};

}  // namespace dvr

// The main window: the frame with the video area, the menu, the tray icon,
// the one-second timer, and the messages of the graphs, the tray, the
// session's end and the power service.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/TunerManager.h"
#include "app/commands/CommandRouter.h"
#include "app/commands/InputMap.h"
#include "app/commands/WindowModes.h"
#include "dvr/CommandViewing.h"
#include "dvr/DialogCommands.h"
#include "dvr/GuideWindow.h"
#include "dvr/OsdView.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "platform/power/PowerNotice.h"
#include "platform/ui/ButtonBar.h"
#include "platform/ui/Frame.h"
#include "platform/ui/Menu.h"
#include "platform/ui/TrayIcon.h"
#include "platform/ui/Window.h"
#include "recording/scheduler/Scheduler.h"
#include "tuning/ChannelList.h"

namespace dvr {

// Commands of the menu and the tray.
inline constexpr std::uint16_t kCmdOpen = 40151;
inline constexpr std::uint16_t kCmdTrayClose = 40152;
inline constexpr std::uint16_t kCmdClose = 40164;
inline constexpr std::uint16_t kCmdSettings = 40043;
inline constexpr std::uint16_t kCmdChannels = 40072;
inline constexpr unsigned kSecondTimer = 1;

// What the window asks of the program around it.
class IMainWindowHost : public IGraphSource {
 public:
  // The one-second work: monitor ticks and the scheduler.
  virtual void Tick() = 0;
  // Saves the settings file with the current channel.
  virtual bool SaveAll() = 0;
  virtual void OnPowerNotice(power::PowerNotice notice) = 0;
  // The graphs' notify messages: 1037, 1038 and 1039.
  virtual void OnGraphMessage(ui::Message message) = 0;
  virtual tuning::ChannelList& Channels() = 0;
  // The "Settings" and "Channels" dialogs (commands 40043 and 40072).
  virtual void OpenSettings() = 0;
  virtual void OpenChannels() = 0;
};

class MainWindow final : public ui::Window, private app::commands::IWindowShell {
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
  // A paused time-shift player resumes at the live position (its buffer's
  // old content went away under it).
  void ResumeAtLive() { router_.ResumeAtLive(); }
  // Shows the channel banner (a timer recording changed the channel).
  void ShowBanner();
  // The status line in the video area, from the current graph.
  void RefreshStatus();
  const std::string& Title() const { return title_; }
  // True while a "Set Timer" dialog is open over the window.
  bool EditingTimer() const { return openTimerForms_ > 0; }
  // Where the video goes in the client area: above the control panel in a
  // window, the whole client area in full screen.
  ui::Rect VideoArea() const;

 private:
  void OnCommand(std::uint16_t command);
  void OnClose();
  void OnTrayClose();
  // The session ends (log-off, shut-down, SIGTERM): asked first by the rules
  // of a running recording.
  void OnQueryEndSession();
  void OnEndSession(bool ending);
  void BuildMenu();
  void UpdateChecks();

  // The window's side of the commands, the layout and the on-screen display
  // (MainWindowView.cpp).
  void Do(app::commands::WindowAction action, int arg1, int arg2) override;
  void ToGuide(std::uint16_t command) override;
  void Notice(std::string_view text) override;
  void StartLive(graph::CBDAFilterGraph& g);
  void OpenFile();
  void ApplyView();
  void ApplyTarget(const app::commands::WindowTarget& target);
  void OnSize(ui::WParam kind);
  void OnMouseMove(int x, int y);
  void LayOut();
  int DockedPanelHeight() const;
  void RefreshOsd();
  // The guide over the video area, opened and closed by the commands.
  void OpenGuide();
  // The dialogs of the timers, the overscan and the About box.
  void OnDialogAction(app::commands::WindowAction action);
  TimerDialogSources TimerSources();

  IMainWindowHost& host_;
  app::TunerManager& manager_;
  std::string title_;
  ui::Frame frame_;
  ui::Menu menu_;
  ui::Menu popup_;  // the video area's context menu: the menu bar's commands
  ui::Menu trayMenu_;
  std::unique_ptr<ui::TrayIcon> tray_;
  std::unique_ptr<GuideWindow> guide_;
  bool destroyed_ = false;
  CommandViewing viewing_;
  app::commands::CommandRouter router_;
  app::commands::WindowModes modes_;
  app::commands::WheelAccumulator wheel_;
  std::unique_ptr<ui::ButtonBar> controlPanel_;
  std::unique_ptr<OsdView> osd_;
  ui::Rect hotZone_;
  int aspectMode_ = 0;
  int openTimerForms_ = 0;
};

}  // namespace dvr

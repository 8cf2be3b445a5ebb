#include "dvr/MainWindow.h"

#include <cstdio>

#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "platform/ui/Application.h"
#include "platform/ui/MessageBox.h"

namespace dvr {
namespace {

std::string StatusText(graph::CBDAFilterGraph* g) {
  if (g == nullptr) return "No tuner is running.";
  const tuning::ChannelLocator c = g->CurrentChannel();
  char text[256];
  std::snprintf(text, sizeof text,
                "%s\nChannel %u-%u (physical %u), tuner state %d\nSignal %s, quality %d",
                common::ToUtf8(g->Config().friendlyName).c_str(), c.major(), c.minor(),
                c.physical(), static_cast<int>(g->Tuner()),
                g->SignalLocked() ? "locked" : "not locked", g->SignalQuality());
  return text;
}

}  // namespace

MainWindow::MainWindow(IMainWindowHost& host, app::TunerManager& manager, std::u16string_view title)
    : host_(host),
      manager_(manager),
      title_(common::ToUtf8(title)),
      frame_(Id(), title_),
      menu_(Id()),
      trayMenu_(Id()) {
  BuildMenu();
  ui::SetBoxOwner(Id());
  ui::SetTimer(Id(), kSecondTimer, 1000);
}

MainWindow::~MainWindow() {
  ui::KillTimer(Id(), kSecondTimer);
  ui::SetBoxOwner(ui::kNoWindow);
}

void MainWindow::BuildMenu() {
  ui::Menu& file = menu_.AddSubMenu("&File");
  file.AddItem(kCmdSettings, "&Settings...\tS");
  file.AddItem(kCmdChannels, "&Channels...\tC");
  file.AddSeparator();
  file.AddItem(kCmdClose, "Close\tAlt+F4");
  frame_.SetMenuBar(menu_);
  trayMenu_.AddItem(kCmdOpen, "Open Corvane DVR...");
  trayMenu_.AddItem(kCmdTrayClose, "Close");
}

void MainWindow::AddTrayIcon() {
  tray_ = std::make_unique<ui::TrayIcon>(Id(), title_);
  tray_->SetMenu(trayMenu_);
}

void MainWindow::RemoveTrayIcon() {
  tray_.reset();
}

ui::LResult MainWindow::OnMessage(ui::Message message, ui::WParam wParam, ui::LParam lParam) {
  switch (message) {
    case ui::Message::WM_TIMER:
      if (wParam == kSecondTimer) {
        if (tray_) {
          const bool recording = host_.Scheduler().AnyRecording();
          tray_->Refresh(recording ? title_ + " (Recording)" : title_, recording);
        }
        host_.Tick();
        RefreshStatus();
      }
      return 0;
    case ui::Message::WM_COMMAND:
      OnCommand(static_cast<std::uint16_t>(wParam));
      return 0;
    case ui::Message::WM_CLOSE:
      OnClose();
      return 0;
    case ui::Message::WM_TRAY_NOTIFY:
      if (lParam == ui::kTrayLeftDoubleClick) OnCommand(kCmdOpen);
      return 0;
    case ui::Message::WM_QUERYENDSESSION:
      OnQueryEndSession();
      return 0;
    case ui::Message::WM_ENDSESSION:
      OnEndSession(wParam != 0);
      return 0;
    case ui::Message::WM_POWERBROADCAST:
      host_.OnPowerNotice(wParam == ui::kPowerSuspend ? power::PowerNotice::kSuspend
                                                      : power::PowerNotice::kResume);
      return 1;
    case ui::Message::WM_PLAYER_GRAPH_EVENT:
    case ui::Message::WM_VIDEO_RESIZED:
    case ui::Message::WM_TUNER_GRAPH_EVENT:
      // The player's events and the video layout come with the player.
      RefreshStatus();
      return 0;
    default:
      return 0;
  }
}

void MainWindow::OnCommand(std::uint16_t command) {
  switch (command) {
    case kCmdOpen:
      Open();
      break;
    case kCmdTrayClose:
      OnTrayClose();
      break;
    case kCmdClose:
      ui::Post(Id(), ui::Message::WM_CLOSE);
      break;
    case kCmdSettings:
      host_.SettingsCommand();
      break;
    case kCmdChannels:
      host_.ChannelsCommand();
      break;
    default:
      break;
  }
}

void MainWindow::Open() {
  frame_.Show();
  graph::CBDAFilterGraph* g = host_.CurrentGraph();
  if (g == nullptr) return;
  // Live viewing: the tuner graph with its buffer (the player joins it once
  // it is built).
  const auto tuner = g->Tuner();
  if (tuner == graph::TunerState::kNone || tuner == graph::TunerState::kTunerLive) {
    if (g->RequestGraphState(32, 0) < 0) return;
  }
  manager_.uiMode = app::UiMode::kLive;
  RefreshStatus();
}

void MainWindow::OnClose() {
  host_.SaveAll();
  if (!ui::TrayIcon::HostPresent()) {
    // Without a tray to stay in, closing the window ends the program as the
    // tray's "Close" does.
    OnTrayClose();
    return;
  }
  frame_.Hide();
  manager_.uiMode = app::UiMode::kNothing;
  // The player stops; a recording goes on in the tuner graph.
}

void MainWindow::OnTrayClose() {
  if (host_.Scheduler().AnyRecording()) {
    common::ErrorBox("%s", recording::kRecordingInProgress);
    return;
  }
  host_.SaveAll();
  Destroy();
}

void MainWindow::OnQueryEndSession() {
  if (destroyed_) return;
  if (host_.Scheduler().QueryEndSession()) {
    OnEndSession(true);
    return;
  }
  // Refused while recording: the program ends by itself once the recording
  // is over (the scheduler remembers the deferred shutdown).
  std::printf("Shutdown deferred: %s\n", recording::kRecordingInProgress);
  std::fflush(stdout);
}

void MainWindow::OnEndSession(bool ending) {
  host_.Scheduler().EndSession(ending);
  if (!ending || destroyed_) return;
  host_.SaveAll();
  Destroy();
}

void MainWindow::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  RemoveTrayIcon();
  ui::KillTimer(Id(), kSecondTimer);
  frame_.Hide();
  ui::Application::Quit(0);
}

void MainWindow::RefreshStatus() {
  frame_.SetStatus(StatusText(host_.CurrentGraph()));
}

}  // namespace dvr

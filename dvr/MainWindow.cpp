#include "dvr/MainWindow.h"

#include <cstdio>

#include "app/guide/GuideCommands.h"
#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "dvr/DialogCommands.h"
#include "dvr/MainMenu.h"
#include "platform/ui/Application.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WindowControl.h"

namespace dvr {
namespace {

constexpr char kPlayerNotBuilt[] = "Player has not been built.";

std::string StatusText(graph::CBDAFilterGraph* g) {
  if (g == nullptr) return "No tuner is running.";
  const tuning::ChannelLocator c = g->CurrentChannel();
  char text[256];
  std::snprintf(text, sizeof text,
                "%s\nChannel %u.%u (physical %u), tuner state %d\nSignal %s, quality %d",
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
      popup_(Id()),
      trayMenu_(Id()),
      viewing_(host, manager, [this](graph::CBDAFilterGraph& g) { StartLive(g); }),
      router_(manager, host.Channels(), viewing_, *this),
      modes_(manager.settings) {
  BuildMenu();
  ui::SetBoxOwner(Id());
  ui::SetTimer(Id(), kSecondTimer, 1000);
  ui::SetAccelerators(Id(), app::commands::MainAccelerators());
  ui::ForwardMouse(Id());
  controlPanel_ = std::make_unique<ui::ButtonBar>(Id(), ControlPanelButtons());
  osd_ = std::make_unique<OsdView>(Id());
  ApplyView();
}

MainWindow::~MainWindow() {
  guide_.reset();
  ui::KillTimer(Id(), kSecondTimer);
  ui::SetBoxOwner(ui::kNoWindow);
}

void MainWindow::BuildMenu() {
  BuildMainMenu(menu_);
  frame_.SetMenuBar(menu_);
  BuildMainMenu(popup_);
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
        graph::CBDAFilterGraph* g = host_.CurrentGraph();
        router_.Tick(g != nullptr && g->Player() != graph::PlayerState::kNone);
        RefreshStatus();
        RefreshOsd();
      }
      return 0;
    case ui::Message::WM_COMMAND:
      OnCommand(static_cast<std::uint16_t>(wParam));
      return 0;
    case ui::Message::WM_APPCOMMAND:
      if (const auto command =
              app::commands::MediaKeyCommand(static_cast<ui::AppCommand>(lParam))) {
        OnCommand(*command);
      }
      return 1;
    case ui::Message::WM_MOUSEWHEEL:
      for (const app::commands::CommandId command :
           wheel_.Add(static_cast<int>(static_cast<ui::LParam>(wParam)))) {
        OnCommand(command);
      }
      return 0;
    case ui::Message::WM_LBUTTONDBLCLK:
      OnCommand(app::commands::kFullScreen);
      return 0;
    case ui::Message::WM_CONTEXTMENU:
      // Over the guide grid the right button is the guide's.
      if (!guide_) popup_.Popup(ui::MouseX(lParam), ui::MouseY(lParam));
      return 0;
    case ui::Message::WM_MOUSEMOVE:
      OnMouseMove(ui::MouseX(lParam), ui::MouseY(lParam));
      return 0;
    case ui::Message::WM_SIZE:
      OnSize(wParam);
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
      host_.OnGraphMessage(message);
      return 0;
    default:
      return 0;
  }
}

void MainWindow::OnCommand(std::uint16_t command) {
  // Escape: the guide's Cancel; the main window has no other use for it.
  if (command == app::kGuideCancel) {
    if (guide_) ToGuide(command);
    return;
  }
  router_.Execute(command);
  UpdateChecks();
  RefreshOsd();
}

TimerDialogSources MainWindow::TimerSources() {
  graph::CBDAFilterGraph* g = host_.CurrentGraph();
  return TimerDialogSources{Id(),
                            manager_.timers,
                            host_.Channels(),
                            host_.Scheduler().ConflictLimit(),
                            g ? g->CurrentChannel() : manager_.settings.currentChannel,
                            &openTimerForms_};
}

void MainWindow::OnDialogAction(app::commands::WindowAction action) {
  using app::commands::WindowAction;
  switch (action) {
    case WindowAction::kTimers:
      ShowTimersDialog(TimerSources());
      break;
    case WindowAction::kNewTimer:
      ShowNewTimerDialog(TimerSources());
      break;
    case WindowAction::kOverscan:
      ShowOverscanDialog(Id(), manager_.settings,
                         [this] { host_.OnGraphMessage(ui::Message::WM_VIDEO_RESIZED); });
      break;
    case WindowAction::kAbout:
      ShowAboutBox(Id());
      break;
    default:
      break;
  }
}

void MainWindow::OpenGuide() {
  guide_ = std::make_unique<GuideWindow>(GuideServices{
      Id(), &host_.Channels(), &manager_, [this] { return host_.CurrentGraph(); },
      [this] { return host_.Scheduler().ConflictLimit(); },
      [this](const recording::TimerForm& form) { ShowSetTimerDialog(TimerSources(), form); }});
}

void MainWindow::Open() {
  frame_.Show();
  graph::CBDAFilterGraph* g = host_.CurrentGraph();
  if (g == nullptr) return;
  StartLive(*g);
  RefreshStatus();
}

void MainWindow::StartLive(graph::CBDAFilterGraph& g) {
  // Live viewing: the tuner graph with its buffer and the time-shift player.
  const auto tuner = g.Tuner();
  const bool buffered = tuner != graph::TunerState::kNone && tuner != graph::TunerState::kTunerLive;
  const auto tunerState =
      static_cast<std::uint8_t>(buffered ? tuner : graph::TunerState::kTunerBuffered);
  if (g.Player() == graph::PlayerState::kNone && g.RequestGraphState(tunerState, 2) < 0) return;
  manager_.uiMode = app::UiMode::kLive;
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
  router_.LeaveGuide(app::UiMode::kNothing);
  router_.HideBanner();
  router_.Osd() = {};
  RefreshOsd();
  guide_.reset();
  manager_.uiMode = app::UiMode::kNothing;
  // The player stops; a recording goes on in the tuner graph. Without one
  // the tuner stops too: a buffering tuner without a player (32) has no way
  // into a recording, so a timer due while the window is in the tray would
  // find no tuner, whereas an idle one records it.
  graph::CBDAFilterGraph* g = host_.CurrentGraph();
  if (g != nullptr && g->Player() != graph::PlayerState::kNone) {
    const bool recording = g->Tuner() == graph::TunerState::kTunerRecording;
    g->RequestGraphState(recording ? 48 : 0, 0);
  }
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
  // The status text stands in for the picture: it goes while a player shows
  // one.
  graph::CBDAFilterGraph* g = host_.CurrentGraph();
  const bool showing = g != nullptr && g->Player() != graph::PlayerState::kNone;
  frame_.SetStatus(showing ? std::string() : StatusText(g));
}

}  // namespace dvr

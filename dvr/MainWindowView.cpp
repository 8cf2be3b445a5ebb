// The main window's own side of the commands: dialogs and the guide through
// the host, view toggles, window modes and sizes, the control panel's place
// and the on-screen display.
#include <algorithm>

#include "app/guide/GuideCommands.h"
#include "common/ErrorBox.h"
#include "common/Utf16.h"
#include "dvr/DecoderSource.h"
#include "dvr/MainMenu.h"
#include "dvr/MainWindow.h"
#include "dvr/Players.h"
#include "platform/ui/Pickers.h"
#include "platform/ui/WindowControl.h"

namespace dvr {

using app::commands::WindowAction;

namespace {

constexpr int kPanelMargin = 4;

ui::ShowMode ShowModeOf(app::commands::WindowMode mode) {
  switch (mode) {
    case app::commands::WindowMode::kMaximised:
      return ui::ShowMode::kMaximised;
    case app::commands::WindowMode::kMinimised:
      return ui::ShowMode::kMinimised;
    case app::commands::WindowMode::kFullScreen:
      return ui::ShowMode::kFullScreen;
    case app::commands::WindowMode::kNormal:
      break;
  }
  return ui::ShowMode::kNormal;
}

}  // namespace

void MainWindow::Do(WindowAction action, int arg1, int arg2) {
  switch (action) {
    case WindowAction::kSettings:
      host_.OpenSettings();
      break;
    case WindowAction::kChannels:
      host_.OpenChannels();
      break;
    case WindowAction::kOpenGuide:
      OpenGuide();
      break;
    case WindowAction::kCloseGuide:
      guide_.reset();
      break;
    case WindowAction::kClose:
      ui::Post(Id(), ui::Message::WM_CLOSE);
      break;
    case WindowAction::kOpen:
      Open();
      break;
    case WindowAction::kTrayClose:
      OnTrayClose();
      break;
    case WindowAction::kApplyView:
      ApplyView();
      break;
    case WindowAction::kVideoSize:
      if (modes_.FullScreen()) ApplyTarget(modes_.ToggleFullScreen(false, frame_.Placement()));
      ui::SetClientSize(Id(), {arg1, arg2 + DockedPanelHeight()});
      break;
    case WindowAction::kAspect:
      aspectMode_ = arg1;
      break;
    case WindowAction::kFullScreen:
      ApplyTarget(modes_.ToggleFullScreen(ui::IsMaximised(Id()), frame_.Placement()));
      break;
    case WindowAction::kRefreshControlPanel:
      LayOut();
      break;
    case WindowAction::kOpenFile:
      OpenFile();
      break;
    case WindowAction::kTimers:
    case WindowAction::kNewTimer:
    case WindowAction::kOverscan:
    case WindowAction::kAbout:
      OnDialogAction(action);
      break;
    case WindowAction::kVideoDecoderPages:
      ShowDecoderProperties(Id(), host_.CurrentPlayer(), app::DecoderRole::kVideo);
      break;
    case WindowAction::kAudioDecoderPages:
      ShowDecoderProperties(Id(), host_.CurrentPlayer(), app::DecoderRole::kAudio);
      break;
    case WindowAction::kChannelProperties: {
      const graph::CBDAFilterGraph* g = host_.CurrentGraph();
      ShowChannelProperties(Id(), host_.Channels(),
                            g ? std::optional(g->CurrentChannel()) : std::nullopt);
      break;
    }
  }
  (void)arg2;
}

void MainWindow::OpenFile() {
  graph::CBDAFilterGraph* g = host_.CurrentGraph();
  graph::PlayerGraph* player = host_.CurrentPlayer();
  if (g == nullptr || player == nullptr) return;
  const app::Settings& s = manager_.settings;
  const auto file =
      ui::PickFile(Id(), "Open dvr-ms", "Video File (*.mpg;*.dvr-ms)",
                   std::filesystem::path(common::ToUtf8(common::FieldView(s.recordFolder))));
  if (!file) return;
  const std::u16string previous = player->PlaybackFile();
  player->SetPlaybackFile(file->u16string());
  // A running recording goes on while the file plays.
  const bool recording = g->Tuner() == graph::TunerState::kTunerRecording;
  if (g->RequestGraphState(recording ? 48 : 0, 3) < 0) {
    player->SetPlaybackFile(previous);
    g->RequestGraphState(recording ? 48 : 32, 2);
  }
}

void MainWindow::ToGuide(std::uint16_t command) {
  // The router speaks the guide's commands, except for the page keys, which
  // keep the main window's numbers.
  if (!guide_) return;
  const auto guideCommand = app::GuideCommandOf(command);
  ui::Post(guide_->Id(), ui::Message::WM_COMMAND, guideCommand ? *guideCommand : command);
}

void MainWindow::Notice(std::string_view text) {
  common::ErrorBox("%.*s", static_cast<int>(text.size()), text.data());
}

void MainWindow::UpdateChecks() {
  const auto marks = app::commands::MenuMarks(
      manager_.settings, RendererKindHere(manager_.settings.videoRenderer), aspectMode_);
  ApplyMarks(menu_, marks);
  ApplyMarks(popup_, marks);
}

void MainWindow::ApplyView() {
  const std::uint32_t flags = manager_.settings.viewFlags;
  ui::SetMenuBarVisible(Id(), (flags & app::kMenuVisible) != 0 && !modes_.FullScreen());
  ui::SetAlwaysOnTop(Id(), (flags & app::kAlwaysOnTop) != 0);
  controlPanel_->SetVisible(modes_.ControlPanelShown(false));
  UpdateChecks();
  LayOut();
}

void MainWindow::ApplyTarget(const app::commands::WindowTarget& target) {
  ui::ShowInMode(Id(), ShowModeOf(target.mode), target.rect, target.menu);
  controlPanel_->SetVisible(target.controlPanel);
  LayOut();
}

void MainWindow::OnSize(ui::WParam kind) {
  if (!modes_.FullScreen()) {
    using app::commands::SystemCommand;
    if (kind == ui::kSizeMinimised) modes_.Apply(SystemCommand::kMinimise);
    if (kind == ui::kSizeMaximised) modes_.Apply(SystemCommand::kMaximise);
    if (kind == ui::kSizeRestored) {
      modes_.Apply(SystemCommand::kRestore);
      // The normal rectangle is what the next start and leaving full screen use.
      const ui::Rect r = frame_.Placement();
      app::WindowPlacement& p = manager_.settings.windowPlacement;
      p.left = r.left;
      p.top = r.top;
      p.right = r.right;
      p.bottom = r.bottom;
    }
  }
  LayOut();
}

void MainWindow::OnMouseMove(int x, int y) {
  if (!modes_.FullScreen()) return;
  const bool inZone =
      x >= hotZone_.left && x < hotZone_.right && y >= hotZone_.top && y < hotZone_.bottom;
  if (controlPanel_->Visible() != inZone) controlPanel_->SetVisible(inZone);
}

int MainWindow::DockedPanelHeight() const {
  if (modes_.FullScreen() || !controlPanel_->Visible()) return 0;
  return controlPanel_->PreferredSize().height + 2 * kPanelMargin;
}

ui::Rect MainWindow::VideoArea() const {
  ui::Rect area = ui::ClientArea(Id());
  area.bottom = std::max(area.top, area.bottom - DockedPanelHeight());
  return area;
}

void MainWindow::LayOut() {
  const ui::Rect client = ui::ClientArea(Id());
  const ui::Size panel = controlPanel_->PreferredSize();
  ui::SetMinimumClientSize(Id(), panel);
  const int width = std::min(panel.width, client.Width());
  const int left = (client.Width() - width) / 2;
  const int top = client.bottom - panel.height - kPanelMargin;
  hotZone_ = {left, top, left + width, top + panel.height};
  controlPanel_->Place(hotZone_);
  RefreshOsd();
}

void MainWindow::ShowBanner() {
  if (manager_.uiMode != app::UiMode::kLive && manager_.uiMode != app::UiMode::kNumberEntry) return;
  router_.ShowBanner();
  RefreshOsd();
}

void MainWindow::RefreshOsd() {
  if (!osd_) return;
  const ui::Rect video = VideoArea();
  osd_->Refresh(router_, host_, manager_.settings, video, video.Width());
}

}  // namespace dvr

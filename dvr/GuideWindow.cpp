#include "dvr/GuideWindow.h"

#include "app/guide/GuideCommands.h"
#include "common/ErrorBox.h"

namespace dvr {
namespace {

tuning::ChannelLocator CurrentChannel(const GuideServices& services) {
  graph::CBDAFilterGraph* g = services.currentGraph();
  return g ? g->CurrentChannel() : services.manager->settings.currentChannel;
}

}  // namespace

GuideWindow::GuideWindow(GuideServices services)
    : services_(std::move(services)),
      overlay_(services_.mainWindow, Id()),
      recordMenu_(Id()),
      controller_(*this, CurrentChannel(services_)) {
  recordMenu_.AddItem(app::kGuideRecordOnce, "Record Once");
  recordMenu_.AddItem(app::kGuideRecordDaily, "Record Daily");
  recordMenu_.AddItem(app::kGuideRecordWeekly, "Record Weekly");
  recordMenu_.AddItem(app::kGuideRecordMondayToFriday, "Record M-F");
  recordMenu_.AddItem(app::kGuideRecordCustom, "Record Custom...");
  controller_.Resize(overlay_.ClientSize());
  Show();
  overlay_.Show();
}

GuideWindow::~GuideWindow() = default;

void GuideWindow::Show() {
  overlay_.SetPanes(controller_.Panes());
}

ui::LResult GuideWindow::OnMessage(ui::Message message, ui::WParam wParam, ui::LParam lParam) {
  const int x = ui::MouseX(lParam);
  const int y = ui::MouseY(lParam);
  switch (message) {
    case ui::Message::WM_COMMAND:
      controller_.OnCommand(static_cast<std::uint16_t>(wParam));
      break;
    case ui::Message::WM_SIZE:
      controller_.Resize({x, y});
      break;
    case ui::Message::WM_LBUTTONDOWN:
      controller_.LeftPress(x, y);
      break;
    case ui::Message::WM_LBUTTONDBLCLK:
      controller_.DoubleClick(x, y);
      break;
    case ui::Message::WM_RBUTTONDOWN:
      menuDue_ = controller_.RightPress(x, y);
      break;
    case ui::Message::WM_CONTEXTMENU:
      if (menuDue_) recordMenu_.Popup(x, y);
      menuDue_ = false;
      return 0;
    default:
      return 0;
  }
  Show();
  return 0;
}

bool GuideWindow::Recording() {
  graph::CBDAFilterGraph* g = services_.currentGraph();
  return g && g->Tuner() == graph::TunerState::kTunerRecording;
}

void GuideWindow::Tune(const tuning::ChannelLocator& channel) {
  if (graph::CBDAFilterGraph* g = services_.currentGraph()) g->TuneRequest(channel, true);
}

void GuideWindow::ShowError(const char* text) {
  common::ErrorBox("%s", text);
}

void GuideWindow::OpenSetTimer(const recording::TimerForm& form) {
  if (services_.openSetTimer) services_.openSetTimer(form);
}

void GuideWindow::CloseGuide() {
  // The main window takes the guide down, after this message.
  ui::Post(services_.mainWindow, ui::Message::WM_COMMAND, app::kGuideToggle);
}

ui::AcceleratorTable GuideAccelerators() {
  using ui::Accelerator;
  using ui::VirtualKey;
  return {
      Accelerator::Key(VirtualKey('G'), app::kGuideToggle),
      Accelerator::Key(VirtualKey::Right, 112),
      Accelerator::Key(VirtualKey::Left, 113),
      Accelerator::Key(VirtualKey::Up, 114),
      Accelerator::Key(VirtualKey::Down, 115),
      Accelerator::Key(VirtualKey::Return, 40190),
      Accelerator::Key(VirtualKey('R'), 1094),
      Accelerator::Key(VirtualKey::Prior, 40204),
      Accelerator::Key(VirtualKey::Next, 40205),
      Accelerator::Key(VirtualKey::Escape, app::kGuideCancel),
      Accelerator::Char(U'[', app::kGuideDayEarlier),
      Accelerator::Char(U']', app::kGuideDayLater),
  };
}

}  // namespace dvr

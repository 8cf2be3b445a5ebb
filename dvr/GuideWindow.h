// The guide window: the guide grid's behaviour (app/guide) drawn on an
// overlay over the video area, its commands, the mouse on its boxes and the
// context menu of the grid's record commands.
#pragma once

#include <functional>

#include "app/TunerManager.h"
#include "app/guide/GuideController.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "platform/ui/Accelerators.h"
#include "platform/ui/GlassOverlay.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Window.h"
#include "recording/Clock.h"

namespace dvr {

// What the guide window needs of the program.
struct GuideServices {
  ui::WindowId mainWindow = ui::kNoWindow;
  tuning::ChannelList* channels = nullptr;
  app::TunerManager* manager = nullptr;
  std::function<graph::CBDAFilterGraph*()> currentGraph;
  std::function<int()> conflictLimit;
  // "Record Custom...": the "Set Timer" dialog filled with the programme.
  std::function<void(const recording::TimerForm&)> openSetTimer;
};

class GuideWindow final : public ui::Window, private app::IGuideHost {
 public:
  explicit GuideWindow(GuideServices services);
  ~GuideWindow() override;

  ui::LResult OnMessage(ui::Message message, ui::WParam wParam, ui::LParam lParam) override;

 private:
  // app::IGuideHost
  tuning::ChannelList& Channels() override { return *services_.channels; }
  recording::TimerList& Timers() override { return services_.manager->timers; }
  const recording::Clock& Clock() override { return clock_; }
  int ConflictLimit() override { return services_.conflictLimit(); }
  bool Recording() override;
  void Tune(const tuning::ChannelLocator& channel) override;
  void ShowError(const char* text) override;
  void OpenSetTimer(const recording::TimerForm& form) override;
  void CloseGuide() override;

  void Show();

  GuideServices services_;
  recording::SystemClock clock_;
  ui::GlassOverlay overlay_;
  ui::Menu recordMenu_;
  app::GuideController controller_;
  bool menuDue_ = false;  // a right press hit a box: its context menu follows
};

// The keys of the main window that reach the guide (and "G", which opens
// and closes it), as the main window's accelerators give them.
ui::AcceleratorTable GuideAccelerators();

}  // namespace dvr

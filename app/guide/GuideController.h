// The guide window's behaviour without any toolkit: it opens the grid on a
// snapshot of the guide, carries out the guide commands and the mouse on the
// programme boxes, tunes, records from the grid into the timer list, and
// lays the grid out as overlay panes for the view to draw.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ui/GlassOverlay.h"
#include "recording/Clock.h"
#include "recording/TimerForms.h"
#include "recording/TimerList.h"
#include "tables/grid/GuideGrid.h"
#include "tuning/ChannelList.h"

namespace app {

// What the guide needs of the program around it.
class IGuideHost {
 public:
  virtual ~IGuideHost() = default;
  virtual tuning::ChannelList& Channels() = 0;
  virtual recording::TimerList& Timers() = 0;
  virtual const recording::Clock& Clock() = 0;
  // The tuners a new timer may overlap before it is refused.
  virtual int ConflictLimit() = 0;
  // Whether the graph the guide tunes is recording (a recording is never
  // moved to another channel from the guide).
  virtual bool Recording() = 0;
  // Tunes the current graph to the channel and shows the channel banner.
  virtual void Tune(const tuning::ChannelLocator& channel) = 0;
  // The "Error!" box.
  virtual void ShowError(const char* text) = 0;
  // "Record Custom...": the "Set Timer" dialog filled with the programme,
  // adding the timer only when it is confirmed.
  virtual void OpenSetTimer(const recording::TimerForm& form) = 0;
  // Commands 1 and 2: the guide closes (the main window leaves guide mode).
  virtual void CloseGuide() = 0;
};

class GuideController {
 public:
  // Opens the grid at the clock's time on the channel list as it is now.
  GuideController(IGuideHost& host, const tuning::ChannelLocator& current);

  // A guide window command; false for one the guide does not know.
  bool OnCommand(std::uint16_t command);
  // The mouse in the overlay (client coordinates).
  void LeftPress(int x, int y);
  void DoubleClick(int x, int y);
  // Selects the box and remembers it for the context menu's commands; false
  // when no box is there (no menu then).
  bool RightPress(int x, int y);

  // The overlay's size; lays the grid out again.
  void Resize(ui::Size client);
  // The guide as overlay panes: details, date, times, channels, boxes.
  const std::vector<ui::GlassPane>& Panes() const { return panes_; }
  const tables::grid::GuideGrid& Grid() const { return grid_; }

 private:
  // The row and event a record command acts on.
  struct Target {
    int row = -1;
    int event = -1;
  };

  void Refresh();
  void Record(std::uint16_t command, Target target);
  void TuneSelected();
  Target SelectedTarget() const;
  const tables::grid::GridBox* BoxAtClient(int x, int y) const;
  bool IsScheduled(const tables::grid::GridRow& row, const tables::grid::GridEvent& event) const;

  IGuideHost& host_;
  tables::grid::GuideGrid grid_;
  ui::Size client_;
  ui::Rect boxesPane_;
  Target remembered_;
  std::vector<ui::GlassPane> panes_;
};

}  // namespace app

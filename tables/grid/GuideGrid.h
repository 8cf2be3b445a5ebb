// The guide grid without any window: five channel rows against two hours,
// the cursor and the selected programme, the moves of the remote's keys,
// the 256 cell slots that programme boxes take, box layout and hit-testing.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <vector>

#include "tables/grid/GridSnapshot.h"

namespace tables::grid {

inline constexpr int kVisibleRows = 5;
inline constexpr int kCellSlots = 256;

// A programme box, in the coordinates of the boxes' pane (x is negative for
// a programme that started before the grid; the pane cuts it).
struct GridBox {
  int slot = 0;
  int row = 0;
  int event = 0;  // index in the row's events
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool selected = false;
  bool recording = false;
};

class GuideGrid {
 public:
  // Whether a timer covers the programme (the box's "(Rec) " mark).
  using RecordingMark = std::function<bool(const GridRow&, const GridEvent&)>;

  // The left edge of a grid opened at `nowUtc`.
  static std::int64_t OpeningStart(std::int64_t nowUtc) { return nowUtc / kHalfHour * kHalfHour; }

  // Opens on a snapshot taken at OpeningStart: the cursor at the grid start,
  // the row of `current` (the channel tuned) first and selected.
  GuideGrid(GridSnapshot snapshot, const tuning::ChannelLocator& current);

  const std::vector<GridRow>& Rows() const { return snapshot_.rows; }
  std::int64_t GridStart() const { return gridStart_; }
  std::int64_t GridEnd() const { return gridStart_ + kGridSpan; }
  std::int64_t FirstTime() const { return snapshot_.firstTime; }
  std::int64_t LastTime() const { return snapshot_.lastTime; }
  std::int64_t CursorTime() const { return cursor_; }
  int FirstRow() const { return firstRow_; }
  int SelectedRow() const { return selectedRow_; }
  // The programme the last refresh selected, or null.
  const GridEvent* SelectedEvent() const;
  const GridRow* SelectedChannel() const;

  void NextRow();
  void PreviousRow();
  void PageDown();
  void PageUp();
  void NextProgramme();
  void PreviousProgramme();
  void DayLater();
  void DayEarlier();

  // Lays the boxes out in a pane of this size: visible programmes take the
  // lowest free slot (none free: no box), hidden ones give theirs back; the
  // programme under the cursor in the selected row becomes the selection.
  void Refresh(int paneWidth, int paneHeight, const RecordingMark& mark);
  const std::vector<GridBox>& Boxes() const { return boxes_; }
  int UsedSlots() const { return static_cast<int>(used_.count()); }

  // The box under a point of the pane, or null.
  const GridBox* BoxAt(int x, int y) const;
  // A press on a box: the cursor goes to its start, its row is selected.
  void Select(const GridBox& box);

 private:
  void ClampCursor();
  bool VisibleRow(int row) const { return row >= firstRow_ && row < firstRow_ + kVisibleRows; }

  GridSnapshot snapshot_;
  std::int64_t gridStart_ = 0;
  std::int64_t cursor_ = 0;
  int firstRow_ = 0;
  int selectedRow_ = 0;
  int selectedEvent_ = -1;  // in the selected row; -1 when nothing is selected
  int paneWidth_ = 0;
  int paneHeight_ = 0;
  std::bitset<kCellSlots> used_;
  std::vector<GridBox> boxes_;
};

}  // namespace tables::grid

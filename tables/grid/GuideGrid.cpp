#include "tables/grid/GuideGrid.h"

#include <algorithm>

namespace tables::grid {

GuideGrid::GuideGrid(GridSnapshot snapshot, const tuning::ChannelLocator& current)
    : snapshot_(std::move(snapshot)), gridStart_(snapshot_.firstTime), cursor_(gridStart_) {
  const auto& rows = snapshot_.rows;
  const auto tuned = std::find_if(rows.begin(), rows.end(), [&](const GridRow& row) {
    return row.locator.key1 == current.key1 && row.locator.key2 == current.key2;
  });
  if (tuned != rows.end()) firstRow_ = selectedRow_ = static_cast<int>(tuned - rows.begin());
}

const GridEvent* GuideGrid::SelectedEvent() const {
  const GridRow* row = SelectedChannel();
  return row && selectedEvent_ >= 0 ? &row->events[static_cast<std::size_t>(selectedEvent_)]
                                    : nullptr;
}

const GridRow* GuideGrid::SelectedChannel() const {
  const auto& rows = snapshot_.rows;
  return selectedRow_ < static_cast<int>(rows.size())
             ? &rows[static_cast<std::size_t>(selectedRow_)]
             : nullptr;
}

// The cursor stays on a time the window shows, so that a row move always
// finds a programme under it (the window's end itself belongs to none).
void GuideGrid::ClampCursor() {
  cursor_ = std::clamp(cursor_, gridStart_, GridEnd() - 1);
}

void GuideGrid::NextRow() {
  if (snapshot_.rows.empty()) return;
  ClampCursor();
  selectedRow_ = std::min(selectedRow_ + 1, static_cast<int>(snapshot_.rows.size()) - 1);
  if (!VisibleRow(selectedRow_)) ++firstRow_;
}

void GuideGrid::PreviousRow() {
  if (snapshot_.rows.empty()) return;
  ClampCursor();
  selectedRow_ = std::max(selectedRow_ - 1, 0);
  if (!VisibleRow(selectedRow_)) --firstRow_;
}

void GuideGrid::PageDown() {
  if (snapshot_.rows.empty()) return;
  ClampCursor();
  const int n = static_cast<int>(snapshot_.rows.size());
  const int m = std::min(n, kVisibleRows);
  selectedRow_ = std::min(selectedRow_ + kVisibleRows, n - 1);
  firstRow_ = std::min(n - 1, firstRow_ + m + kVisibleRows - 1) - m + 1;
}

void GuideGrid::PageUp() {
  if (snapshot_.rows.empty()) return;
  ClampCursor();
  selectedRow_ = std::max(selectedRow_ - kVisibleRows, 0);
  firstRow_ = std::max(firstRow_ - kVisibleRows, 0);
}

void GuideGrid::NextProgramme() {
  const GridEvent* selected = SelectedEvent();
  if (!selected) return;
  const std::int64_t end = selected->End();
  if (end <= GridEnd() && end < LastTime()) cursor_ = end;
  if (end >= GridEnd() && GridEnd() < LastTime()) gridStart_ += kHalfHour;
}

void GuideGrid::PreviousProgramme() {
  const GridEvent* selected = SelectedEvent();
  if (!selected) return;
  const std::int64_t start = selected->start;
  if (start >= gridStart_ && FirstTime() < start && selectedEvent_ > 0)
    cursor_ = SelectedChannel()->events[static_cast<std::size_t>(selectedEvent_ - 1)].start;
  if (gridStart_ >= start && FirstTime() < gridStart_) gridStart_ -= kHalfHour;
}

void GuideGrid::DayLater() {
  if (snapshot_.rows.empty()) return;
  cursor_ = std::min(cursor_ + kDay, LastTime() - 1);
  gridStart_ += std::clamp(LastTime() - GridEnd(), std::int64_t{0}, kDay);
}

void GuideGrid::DayEarlier() {
  if (snapshot_.rows.empty()) return;
  cursor_ = std::max(cursor_ - kDay, FirstTime());
  gridStart_ = std::max(gridStart_ - kDay, FirstTime());
}

void GuideGrid::Refresh(int paneWidth, int paneHeight, const RecordingMark& mark) {
  paneWidth_ = paneWidth;
  paneHeight_ = paneHeight;
  const std::int64_t perHour = paneWidth / 2;
  const int rowHeight = paneHeight / kVisibleRows;
  boxes_.clear();
  selectedEvent_ = -1;
  for (int r = 0; r < static_cast<int>(snapshot_.rows.size()); ++r) {
    GridRow& row = snapshot_.rows[static_cast<std::size_t>(r)];
    for (int e = 0; e < static_cast<int>(row.events.size()); ++e) {
      GridEvent& event = row.events[static_cast<std::size_t>(e)];
      const bool visible = VisibleRow(r) && event.start < GridEnd() && event.End() > gridStart_;
      if (!visible) {
        if (event.cell >= 0) used_.reset(static_cast<std::size_t>(event.cell));
        event.cell = -1;
        continue;
      }
      const bool selected = r == selectedRow_ && cursor_ >= event.start && cursor_ < event.End();
      if (selected) selectedEvent_ = e;
      if (event.cell < 0) {
        if (used_.all()) continue;
        int slot = 0;
        while (used_.test(static_cast<std::size_t>(slot)))
          ++slot;
        used_.set(static_cast<std::size_t>(slot));
        event.cell = slot;
      }
      GridBox box;
      box.slot = event.cell;
      box.row = r;
      box.event = e;
      box.x = static_cast<int>((event.start - gridStart_) * perHour / 3600);
      box.y = (r - firstRow_) * rowHeight;
      box.width = static_cast<int>(event.duration * perHour / 3600);
      box.height = rowHeight;
      box.selected = selected;
      box.recording = !event.filler && mark && mark(row, event);
      boxes_.push_back(box);
    }
  }
}

const GridBox* GuideGrid::BoxAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= paneWidth_ || y >= paneHeight_) return nullptr;
  for (const GridBox& box : boxes_) {
    if (x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height) return &box;
  }
  return nullptr;
}

void GuideGrid::Select(const GridBox& box) {
  const GridRow& row = snapshot_.rows[static_cast<std::size_t>(box.row)];
  cursor_ = row.events[static_cast<std::size_t>(box.event)].start;
  selectedRow_ = box.row;
}

}  // namespace tables::grid

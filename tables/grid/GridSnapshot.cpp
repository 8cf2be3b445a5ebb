#include "tables/grid/GridSnapshot.h"

#include <algorithm>

#include "common/TimeBase.h"
#include "common/Utf16.h"

namespace tables::grid {
namespace {

GridEvent Filler(std::int64_t start, std::int64_t end) {
  GridEvent filler;
  filler.start = start;
  filler.duration = static_cast<std::uint32_t>(end - start);
  filler.filler = true;
  filler.title = u"no data";
  return filler;
}

GridEvent CopyOf(const tuning::GuideEvent& event) {
  GridEvent copy;
  copy.start = static_cast<std::int64_t>(event.start) + common::kGpsToUnixSeconds;
  copy.duration = event.duration;
  copy.sourceId = event.sourceId;
  copy.eventId = event.eventId;
  copy.title = std::u16string(common::FieldView(event.title));
  copy.rating.assign(event.rating, std::find(std::begin(event.rating), std::end(event.rating), 0));
  return copy;
}

// The row's events overlapping [first, last) with fillers over every span
// that no event covers.
std::vector<GridEvent> RowEvents(const tuning::ChannelNode& node, std::int64_t first,
                                 std::int64_t last) {
  std::vector<GridEvent> events;
  std::int64_t covered = first;  // everything before it is covered
  for (const auto& [key, event] : node.events) {
    GridEvent copy = CopyOf(event);
    if (copy.start >= last || copy.End() <= first) continue;
    if (copy.start > covered) events.push_back(Filler(covered, copy.start));
    covered = std::max(covered, copy.End());
    events.push_back(std::move(copy));
  }
  if (covered < last) events.push_back(Filler(covered, last));
  return events;
}

}  // namespace

GridSnapshot TakeGridSnapshot(tuning::ChannelList& channels, std::int64_t firstTime) {
  GridSnapshot snapshot;
  snapshot.firstTime = firstTime;
  auto lock = channels.Acquire();
  std::int64_t latestEnd = 0;
  std::vector<const tuning::ChannelNode*> nodes;
  for (const auto& [key, node] : channels) {
    if (!node.record.enabled || node.events.empty()) continue;
    nodes.push_back(&node);
    for (const auto& [eventKey, event] : node.events) {
      latestEnd = std::max(latestEnd, static_cast<std::int64_t>(event.start) +
                                          common::kGpsToUnixSeconds + event.duration);
    }
  }
  snapshot.lastTime = std::max(std::min(latestEnd, firstTime + kWeek), firstTime + kGridSpan);
  for (const tuning::ChannelNode* node : nodes) {
    GridRow row;
    row.locator = node->record.locator;
    row.name = std::u16string(common::FieldView(node->record.name));
    row.events = RowEvents(*node, firstTime, snapshot.lastTime);
    snapshot.rows.push_back(std::move(row));
  }
  return snapshot;
}

}  // namespace tables::grid

// The guide grid's copy of the guide: the channels that have events, each
// with copies of its events in start order and "no data" fillers over the
// gaps. Rows keep the channel's keys, never a pointer to its record, so the
// channel list may change while the grid is open; times are UTC seconds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tuning/ChannelList.h"

namespace tables::grid {

inline constexpr std::int64_t kHalfHour = 1800;
inline constexpr std::int64_t kGridSpan = 7200;
inline constexpr std::int64_t kDay = 86400;
inline constexpr std::int64_t kWeek = 604800;

struct GridEvent {
  std::int64_t start = 0;  // UTC seconds
  std::uint32_t duration = 0;
  std::uint16_t sourceId = 0;  // with the event id, finds the description
  std::uint16_t eventId = 0;
  bool filler = false;  // a "no data" span: shown, never recorded
  int cell = -1;        // the cell slot showing it, -1 when none
  std::u16string title;
  std::string rating;

  std::int64_t End() const { return start + duration; }
};

struct GridRow {
  tuning::ChannelLocator locator;
  std::u16string name;
  std::vector<GridEvent> events;
};

struct GridSnapshot {
  std::vector<GridRow> rows;
  std::int64_t firstTime = 0;
  std::int64_t lastTime = 0;
};

// The snapshot of a grid whose first time is `firstTime`: the enabled
// channels with events, in list order. Last time is the latest event end,
// at most a week after the first time and never before the end of the first
// grid window. Takes the channel-list lock.
GridSnapshot TakeGridSnapshot(tuning::ChannelList& channels, std::int64_t firstTime);

}  // namespace tables::grid

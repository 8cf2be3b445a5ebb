// The timers of a soak run and the occurrences they must record. The span
// runs from noon to noon (local time), so that no occurrence is cut by its
// ends; it crosses the week boundary (Saturday to Sunday) in its middle.
//
// Weekly: a weekday morning slot, an every-day evening slot, an every-day
// late slot across midnight and a Saturday slot across the week boundary.
// Once, for every day: a noon slot and an evening slot that overlaps the
// evening weekly slot (both tuners record), and on one day that is not a
// Saturday a slot across midnight beside the late weekly slot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/Guid.h"
#include "recording/Clock.h"
#include "recording/TimerForms.h"
#include "recording/TimerList.h"

namespace soak {

// The channels the timers use (two multiplexes).
struct PlanChannels {
  tuning::ChannelLocator first;   // a channel of multiplex A
  tuning::ChannelLocator second;  // another channel of multiplex A
  tuning::ChannelLocator other;   // a channel of multiplex B
};

// The span of `days` days around the Saturday-to-Sunday midnight at
// `weekBoundaryWall` (wall-clock seconds): from noon `days` / 2 days before.
struct Span {
  std::int64_t beginWall = 0;
  std::int64_t endWall = 0;
};
Span SpanAround(std::int64_t weekBoundaryWall, int days);

// The "Set Timer" forms of the plan, in the order they are added.
std::vector<recording::TimerForm> PlanTimers(const Span& span, const PlanChannels& channels);

// One occurrence a timer must record, in UTC seconds.
struct Occurrence {
  GUID identity;
  std::string name;
  std::int64_t startUtc = 0;
  std::int64_t endUtc = 0;
};

// Every occurrence of the list's timers that lies wholly inside the span,
// sorted by start.
std::vector<Occurrence> Occurrences(const recording::TimerList& timers, const Span& span,
                                    const recording::Clock& clock);

}  // namespace soak

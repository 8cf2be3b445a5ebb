// The events of the current graph manager's two graphs, handled on the
// user-interface thread when the main window gets their notify messages:
// every pending event is taken in queue order, traced with its name and
// parameters, and acted on.
//
// Player graph: a filter failure raises its message (FilterMessages.h); the
// end of a played file pauses the file player and marks the end (the live
// buffer has no end: a time-shift player goes on); a size change
// of the picture lays the video out again; a stale or deleted part of the
// buffer under a paused player resumes it at the live position; a time hole
// refreshes the window's controls.
// Tuner graph: a filter failure (the dump's full disk) raises its message;
// its end of stream and a rate change refresh the controls (the end also
// traces the player's state and rate); a size change lays the video out.
#pragma once

#include <string>

#include "graph/player/PlayerGraph.h"
#include "platform/media/Interfaces.h"

namespace graph {

// "EC_COMPLETE", ..., "Unknown event 0x%X" below 0x8000 and "EC_USER 0x%X"
// from 0x8000 on for codes without a name.
std::string EventName(LONG code);

// What the handlers ask of the window.
class IGraphEventActions {
 public:
  virtual ~IGraphEventActions() = default;
  virtual void Trace(const std::string& line) = 0;
  virtual void RefreshControls() = 0;
  virtual void LayOutVideo() = 0;
};

// Drain `events` (the player graph's, or the tuner graph's) until none is
// left. A null `events` does nothing.
void HandlePlayerGraphEvents(IMediaEventEx* events, PlayerGraph& player,
                             IGraphEventActions& actions);
void HandleTunerGraphEvents(IMediaEventEx* events, PlayerGraph& player,
                            IGraphEventActions& actions);

}  // namespace graph

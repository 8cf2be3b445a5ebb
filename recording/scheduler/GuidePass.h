// The background guide pass: while nobody uses the last tuner, it tunes the
// tuner to one physical channel after another, ten seconds each, so that the
// guide tables of every multiplex are collected; after a full round it rests
// for ten minutes.
#pragma once

#include <optional>
#include <span>

#include "recording/scheduler/RecorderGraph.h"
#include "tuning/ChannelList.h"

namespace recording {

class GuidePass {
 public:
  static constexpr int kTicksPerChannel = 10;
  static constexpr int kRestAfterRound = 600;
  static constexpr int kRestAfterSuspend = 30;

  GuidePass(tuning::ChannelList& channels, bool& busy) : channels_(channels), busy_(busy) {}

  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool Enabled() const { return enabled_; }
  int Countdown() const { return countdown_; }

  // One tick of the pass on the last graph.
  void Step(std::span<IRecorderGraph* const> graphs);

  // Takes the last graph out of the pass (when the pass has it) and rests for
  // `ticks` ticks.
  void Stop(std::span<IRecorderGraph* const> graphs, int ticks);

 private:
  // The channels the pass visits, copied under the channel-list lock: the
  // first channel of the list and the next physical channel after `from`
  // among it and the enabled channels (none when the round is complete).
  struct Route {
    tuning::ChannelLocator first;
    std::optional<tuning::ChannelLocator> next;
  };
  std::optional<Route> PlanRoute(const tuning::ChannelLocator& from);

  tuning::ChannelList& channels_;
  bool& busy_;
  bool enabled_ = false;
  int countdown_ = 0;
  tuning::ChannelLocator locator_;
};

}  // namespace recording

#include "recording/scheduler/GuidePass.h"

#include <algorithm>
#include <vector>

#include "recording/scheduler/BusyScope.h"

namespace recording {

std::optional<GuidePass::Route> GuidePass::PlanRoute(const tuning::ChannelLocator& from) {
  // Copy, release, then act: no tune or state request runs under the lock.
  std::vector<tuning::ChannelLocator> round;
  {
    auto lock = channels_.Acquire();
    bool first = true;
    for (auto& [key, node] : channels_) {
      const tuning::ChannelLocator& l = node.record.locator;
      const bool visited = std::any_of(
          round.begin(), round.end(), [&l](const auto& r) { return r.physical() == l.physical(); });
      if ((first || node.record.enabled) && !visited) round.push_back(l);
      first = false;
    }
  }
  if (round.empty()) return std::nullopt;
  Route route{round.front(), std::nullopt};
  const auto at = std::find_if(round.begin(), round.end(),
                               [&from](const auto& r) { return r.physical() == from.physical(); });
  if (at != round.end() && at + 1 != round.end()) route.next = *(at + 1);
  return route;
}

void GuidePass::Step(std::span<IRecorderGraph* const> graphs) {
  if (!enabled_) return;
  if (countdown_ > 0) --countdown_;
  if (countdown_ > 0) return;
  if (graphs.empty()) return;
  IRecorderGraph& graph = *graphs.back();
  if (graph.PlayerState() != kPlayerNone) return;  // the user watches
  if (graph.TunerState() == kTunerNone) {
    const auto route = PlanRoute(locator_);
    if (!route) return;
    {
      BusyScope busy(busy_);
      if (graph.RequestGraphState(kTunerLive, kPlayerNone) < 0) return;
    }
    locator_ = route->first;
    graph.TuneRequest(locator_, false);
    countdown_ = kTicksPerChannel;
  } else if (graph.TunerState() == kTunerLive) {
    const auto route = PlanRoute(locator_);
    if (!route || !route->next) {
      Stop(graphs, kRestAfterRound);
      return;
    }
    locator_ = *route->next;
    locator_.SetMajor(0);  // the physical channel only
    graph.TuneRequest(locator_, false);
    countdown_ = kTicksPerChannel;
  }
}

void GuidePass::Stop(std::span<IRecorderGraph* const> graphs, int ticks) {
  if (!enabled_ || graphs.empty()) return;
  {
    auto lock = channels_.Acquire();
    if (channels_.empty()) return;
  }
  IRecorderGraph& graph = *graphs.back();
  if (graph.TunerState() != kTunerLive || graph.PlayerState() != kPlayerNone) return;
  BusyScope busy(busy_);
  graph.RequestGraphState(kTunerNone, kPlayerNone);
  countdown_ = ticks;
}

}  // namespace recording

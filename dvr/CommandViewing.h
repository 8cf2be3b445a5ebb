// The commands' view of the current graph manager and its player: channel
// changes, play controls, volume, recording and the switch to another tuner.
#pragma once

#include <functional>

#include "app/TunerManager.h"
#include "app/commands/CommandPorts.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "graph/player/PlayerGraph.h"
#include "recording/scheduler/Scheduler.h"

namespace dvr {

// Where the commands find the graphs.
class IGraphSource {
 public:
  virtual ~IGraphSource() = default;
  virtual graph::CBDAFilterGraph* CurrentGraph() = 0;
  // The current graph's player; null while the program has none.
  virtual graph::PlayerGraph* CurrentPlayer() { return nullptr; }
  virtual int GraphCount() { return CurrentGraph() ? 1 : 0; }
  virtual graph::CBDAFilterGraph* GraphAt(int index) {
    return index == 0 ? CurrentGraph() : nullptr;
  }
  virtual recording::Scheduler& Scheduler() = 0;
  // The players take the settings as they are now, before a rebuild.
  virtual void RefreshPlayerOptions() {}
};

class CommandViewing final : public app::commands::IViewing {
 public:
  // `startLive` starts live viewing on a graph (the window's way).
  CommandViewing(IGraphSource& graphs, app::TunerManager& manager,
                 std::function<void(graph::CBDAFilterGraph&)> startLive);

  app::commands::ViewState State() override;
  tuning::ChannelLocator CurrentChannel() override;
  void Tune(const tuning::ChannelLocator& locator, bool remember) override;
  void RunPlayer() override;
  void PausePlayer() override;
  void StopPlayer() override;
  void JumpToLive() override;
  void Skip(int seconds) override;
  void ApplyVolume(std::int32_t volume, bool muted) override;
  void SetCaptions(bool on) override;
  void StartRecording(std::u16string_view title) override;
  void StopRecording() override;
  void StopFilePlayback() override;
  void SwitchToGraph(int index) override;

 private:
  IGraphSource& graphs_;
  app::TunerManager& manager_;
  std::function<void(graph::CBDAFilterGraph&)> startLive_;
};

}  // namespace dvr

// What stands in for the program's main window around the soak's graphs: the
// target of a graph manager's messages, the actions the graph event handlers
// ask for, and the scheduler's view of a graph that tells the timer ledger
// when a timer recording starts and ends on it.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "bench/soak/TimerLedger.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "graph/manager/RecorderGraph.h"
#include "graph/player/GraphEvents.h"
#include "graph/player/PlayerGraph.h"
#include "recording/Clock.h"

namespace soak {

// The windows a graph manager posts to: events wait for the loop, errors are
// kept for the report.
class Messages final : public graph::IGraphMessageTarget {
 public:
  void Post(graph::WindowMessage message, std::uint32_t) override {
    if (message == graph::WindowMessage::WM_PLAYER_GRAPH_EVENT) playerEvents = true;
    if (message == graph::WindowMessage::WM_TUNER_GRAPH_EVENT) tunerEvents = true;
  }
  void ShowError(const std::string& text) override {
    std::lock_guard lock(mutex_);
    errors_.push_back(text);
  }
  std::vector<std::string> Errors() const {
    std::lock_guard lock(mutex_);
    return errors_;
  }

  std::atomic<bool> playerEvents{false};
  std::atomic<bool> tunerEvents{false};

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> errors_;
};

// What the event handlers ask of the main window.
class EventActions final : public graph::IGraphEventActions {
 public:
  EventActions(graph::PlayerGraph& player, std::FILE* out, bool verbose)
      : player_(player), out_(out), verbose_(verbose) {}
  void Trace(const std::string& line) override {
    ++traced;
    if (verbose_) std::fprintf(out_, "  event: %s\n", line.c_str());
  }
  void RefreshControls() override {}
  void LayOutVideo() override { player_.LayOut({0, 0, 720, 480}); }

  std::uint64_t traced = 0;

 private:
  graph::PlayerGraph& player_;
  std::FILE* out_;
  bool verbose_;
};

// The scheduler's view of a graph, telling the ledger when a timer recording
// starts and ends on it.
class WatchedGraph final : public recording::IRecorderGraph {
 public:
  WatchedGraph(graph::CBDAFilterGraph& graph, int index, TimerLedger& ledger,
               const recording::Clock& clock)
      : graph_(graph), inner_(graph), index_(index), ledger_(ledger), clock_(clock) {}

  std::uint8_t TunerState() const override { return inner_.TunerState(); }
  std::uint8_t PlayerState() const override { return inner_.PlayerState(); }
  std::int32_t RequestGraphState(std::uint8_t tuner, std::uint8_t player) override {
    return inner_.RequestGraphState(tuner, player);
  }
  std::int32_t TuneRequest(const tuning::ChannelLocator& l, bool remember) override {
    return inner_.TuneRequest(l, remember);
  }
  std::int32_t TuneForRecording(const tuning::ChannelLocator& l) override {
    return inner_.TuneForRecording(l);
  }
  void SetRecordingTitle(std::u16string_view title) override { inner_.SetRecordingTitle(title); }
  recording::RecordingOrigin Origin() const override { return inner_.Origin(); }
  void SetOrigin(recording::RecordingOrigin o) override { inner_.SetOrigin(o); }
  GUID TimerIdentity() const override { return inner_.TimerIdentity(); }
  void SetTimerIdentity(const GUID& identity) override {
    const GUID before = inner_.TimerIdentity();
    if (!(identity == GUID{})) {
      ledger_.Started(identity, index_, clock_.NowUtc(), graph_.RecordingPath());
    } else if (!(before == GUID{})) {
      ledger_.Finished(before, index_, clock_.NowUtc(),
                       inner_.TunerState() != recording::kTunerRecording);
    }
    inner_.SetTimerIdentity(identity);
  }
  int TimerClaims() const override { return inner_.TimerClaims(); }
  void SetTimerClaims(int claims) override { inner_.SetTimerClaims(claims); }
  bool Scanning() const override { return inner_.Scanning(); }

 private:
  graph::CBDAFilterGraph& graph_;
  graph::RecorderGraph inner_;
  int index_;
  TimerLedger& ledger_;
  const recording::Clock& clock_;
};

// Video samples the graph's demultiplexer has delivered so far.
std::uint64_t VideoSamples(graph::CBDAFilterGraph& graph);

}  // namespace soak

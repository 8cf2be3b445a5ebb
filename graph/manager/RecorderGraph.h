// The scheduler's view of one graph manager. Beside forwarding to the graph it
// keeps what timer recordings leave on a graph: the timer claims and the
// identity of the timer recording there. It is used on the
// user-interface thread only, as the scheduler is.
#pragma once

#include "graph/manager/CBDAFilterGraph.h"
#include "recording/scheduler/RecorderGraph.h"

namespace graph {

class RecorderGraph final : public recording::IRecorderGraph {
 public:
  explicit RecorderGraph(CBDAFilterGraph& graph) : graph_(graph) {}

  std::uint8_t TunerState() const override { return static_cast<std::uint8_t>(graph_.Tuner()); }
  std::uint8_t PlayerState() const override { return static_cast<std::uint8_t>(graph_.Player()); }
  std::int32_t RequestGraphState(std::uint8_t tunerState, std::uint8_t playerState) override {
    return graph_.RequestGraphState(tunerState, playerState);
  }
  std::int32_t TuneRequest(const tuning::ChannelLocator& locator, bool remember) override {
    return graph_.TuneRequest(locator, remember);
  }
  std::int32_t TuneForRecording(const tuning::ChannelLocator& locator) override {
    return graph_.TuneForRecording(locator);
  }
  void SetRecordingTitle(std::u16string_view title) override {
    graph_.SetRecordingTitle(std::u16string(title));
  }
  recording::RecordingOrigin Origin() const override {
    return static_cast<recording::RecordingOrigin>(graph_.RecordingOrigin());
  }
  void SetOrigin(recording::RecordingOrigin origin) override {
    graph_.SetRecordingOrigin(static_cast<std::uint8_t>(origin));
  }
  GUID TimerIdentity() const override { return identity_; }
  void SetTimerIdentity(const GUID& identity) override { identity_ = identity; }
  int TimerClaims() const override { return claims_; }
  void SetTimerClaims(int claims) override { claims_ = claims; }
  bool Scanning() const override { return graph_.ScanChannel().load() != 0; }

 private:
  CBDAFilterGraph& graph_;
  GUID identity_{};
  int claims_ = 0;
};

}  // namespace graph

#include "dvr/CommandViewing.h"

#include <algorithm>
#include <string>

#include "dvr/Players.h"

namespace dvr {
namespace {

constexpr LONGLONG kUnitsPerSecond = 10'000'000;
constexpr std::uint8_t kRecording = 48;
constexpr std::uint8_t kBuffered = 32;
constexpr std::uint8_t kTimeShift = 2;

}  // namespace

CommandViewing::CommandViewing(IGraphSource& graphs, app::TunerManager& manager,
                               std::function<void(graph::CBDAFilterGraph&)> startLive)
    : graphs_(graphs), manager_(manager), startLive_(std::move(startLive)) {}

app::commands::ViewState CommandViewing::State() {
  app::commands::ViewState state;
  state.graphCount = graphs_.GraphCount();
  state.rendererKind = RendererKindHere(manager_.settings.videoRenderer);
  graph::CBDAFilterGraph* g = graphs_.CurrentGraph();
  if (g == nullptr) return state;
  state.graph = true;
  state.tuner = static_cast<std::uint8_t>(g->Tuner());
  state.player = static_cast<std::uint8_t>(g->Player());
  if (graph::PlayerGraph* p = graphs_.CurrentPlayer()) {
    state.runState = static_cast<std::uint8_t>(p->RunState());
  }
  return state;
}

tuning::ChannelLocator CommandViewing::CurrentChannel() {
  graph::CBDAFilterGraph* g = graphs_.CurrentGraph();
  return g ? g->CurrentChannel() : manager_.settings.currentChannel;
}

void CommandViewing::Tune(const tuning::ChannelLocator& locator, bool remember) {
  if (graph::CBDAFilterGraph* g = graphs_.CurrentGraph()) g->TuneRequest(locator, remember);
}

void CommandViewing::RunPlayer() {
  if (graph::PlayerGraph* p = graphs_.CurrentPlayer()) p->Run();
}

void CommandViewing::PausePlayer() {
  if (graph::PlayerGraph* p = graphs_.CurrentPlayer()) p->Pause();
}

void CommandViewing::StopPlayer() {
  if (graph::PlayerGraph* p = graphs_.CurrentPlayer()) p->Stop();
}

void CommandViewing::JumpToLive() {
  if (graph::PlayerGraph* p = graphs_.CurrentPlayer()) p->JumpToLive();
}

void CommandViewing::Skip(int seconds) {
  graph::PlayerGraph* p = graphs_.CurrentPlayer();
  graph::PlayerPosition position;
  if (p == nullptr || FAILED(p->GetPosition(&position))) return;
  const LONGLONG target =
      std::clamp(position.current + seconds * kUnitsPerSecond, position.earliest, position.latest);
  p->SeekTo(target);
}

void CommandViewing::ApplyVolume(std::int32_t volume, bool muted) {
  if (graph::PlayerGraph* p = graphs_.CurrentPlayer()) p->SetVolume(volume, muted);
}

void CommandViewing::SetCaptions(bool) {
  // The player builds its caption path from the settings: a running player
  // is built again to take the new choice.
  graph::CBDAFilterGraph* g = graphs_.CurrentGraph();
  if (g == nullptr || g->Player() == graph::PlayerState::kNone) return;
  graphs_.RefreshPlayerOptions();
  const auto tuner = static_cast<std::uint8_t>(g->Tuner());
  const auto player = static_cast<std::uint8_t>(g->Player());
  if (g->RequestGraphState(tuner, 0) >= 0) g->RequestGraphState(tuner, player);
}

void CommandViewing::StartRecording(std::u16string_view title) {
  graph::CBDAFilterGraph* g = graphs_.CurrentGraph();
  if (g == nullptr) return;
  g->SetRecordingTitle(std::u16string(title));
  g->SetRecordingOrigin(static_cast<std::uint8_t>(recording::RecordingOrigin::kManual));
  if (g->RequestGraphState(kRecording, static_cast<std::uint8_t>(g->Player())) < 0) {
    g->SetRecordingOrigin(static_cast<std::uint8_t>(recording::RecordingOrigin::kNone));
  }
}

void CommandViewing::StopRecording() {
  graphs_.Scheduler().StopRecordingByUser(manager_.currentGraph);
}

void CommandViewing::StopFilePlayback() {
  graph::CBDAFilterGraph* g = graphs_.CurrentGraph();
  if (g == nullptr) return;
  const bool recording = static_cast<std::uint8_t>(g->Tuner()) == kRecording;
  g->RequestGraphState(recording ? kRecording : kBuffered, kTimeShift);
}

void CommandViewing::SwitchToGraph(int index) {
  graph::CBDAFilterGraph* next = graphs_.GraphAt(index);
  if (next == nullptr) return;
  if (graph::CBDAFilterGraph* g = graphs_.CurrentGraph()) {
    // The display stops; a recording on this graph goes on.
    g->RequestGraphState(static_cast<std::uint8_t>(g->Tuner()), 0);
  }
  manager_.currentGraph = index;
  startLive_(*next);
}

}  // namespace dvr

#include "graph/player/OpenFile.h"

namespace graph {

HRESULT OpenPlaybackFile(CBDAFilterGraph& graph, PlayerGraph& player, std::u16string file) {
  const std::u16string old = player.PlaybackFile();
  player.SetPlaybackFile(std::move(file));
  // A recording goes on beside the file.
  const auto tuner = static_cast<std::uint8_t>(graph.Tuner() == TunerState::kTunerRecording
                                                   ? TunerState::kTunerRecording
                                                   : TunerState::kNone);
  const auto file3 = static_cast<std::uint8_t>(PlayerState::kPlayerFile);
  const HRESULT hr = graph.RequestGraphState(tuner, file3);
  if (SUCCEEDED(hr)) return hr;
  player.SetPlaybackFile(old);
  const auto live = static_cast<std::uint8_t>(tuner != 0 ? TunerState::kTunerRecording
                                                         : TunerState::kTunerBuffered);
  graph.RequestGraphState(live, static_cast<std::uint8_t>(PlayerState::kPlayerTimeShift));
  return hr;
}

}  // namespace graph

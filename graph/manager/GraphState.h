// The combined state of one graph manager: a tuner state (which tuner graph
// runs) plus a player state (which player reads what). Normal viewing is 34:
// the buffered tuner graph and the time-shift player.
#pragma once

#include <cstdint>

namespace graph {

enum class TunerState : std::uint8_t {
  kNone = 0,
  kTunerLive = 16,       // demultiplexer and section buffer only
  kTunerBuffered = 32,   // tee, transport dump, demultiplexer, buffer sink
  kTunerRecording = 48,  // as buffered, with a recording file open
};

enum class PlayerState : std::uint8_t {
  kNone = 0,
  kPlayerLive = 1,       // decoders inside the tuner graph, fed by the demultiplexer
  kPlayerTimeShift = 2,  // player graph reading the live buffer
  kPlayerFile = 3,       // player graph reading the playback file
};

// The combined state as the number callers use: tuner state + player state.
constexpr int Combined(TunerState tuner, PlayerState player) {
  return static_cast<int>(tuner) + static_cast<int>(player);
}

}  // namespace graph

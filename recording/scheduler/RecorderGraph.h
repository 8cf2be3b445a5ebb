// What the scheduler asks of one graph manager: its state pair, state
// requests and tunes, and the bookkeeping a timer recording leaves on it
// (timer claims, the timer's identity, the recording origin and title).
// The graph manager answers it; tests answer it with a fake.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/com/Guid.h"
#include "tuning/ChannelLocator.h"

namespace recording {

// Tuner states and player states, as the graph manager counts them.
inline constexpr std::uint8_t kTunerNone = 0;
inline constexpr std::uint8_t kTunerLive = 16;
inline constexpr std::uint8_t kTunerBuffered = 32;
inline constexpr std::uint8_t kTunerRecording = 48;
inline constexpr std::uint8_t kPlayerNone = 0;
inline constexpr std::uint8_t kPlayerLive = 1;
inline constexpr std::uint8_t kPlayerTimeShift = 2;
inline constexpr std::uint8_t kPlayerFile = 3;

enum class RecordingOrigin : std::uint8_t { kNone = 0, kManual = 1, kTimer = 2 };

class IRecorderGraph {
 public:
  virtual ~IRecorderGraph() = default;

  virtual std::uint8_t TunerState() const = 0;
  virtual std::uint8_t PlayerState() const = 0;

  // Moves the graph to tunerState + playerState under its lock: negative on
  // failure, 0 when done, 1 when the graph was there already.
  virtual std::int32_t RequestGraphState(std::uint8_t tunerState, std::uint8_t playerState) = 0;

  // Queues a tune on the graph thread; with `remember` the channel becomes the
  // current channel at once.
  virtual std::int32_t TuneRequest(const tuning::ChannelLocator& locator, bool remember) = 0;

  // Before a recording: makes `locator` the current channel and forgets the
  // tunes still queued, so the recording begins on that channel; a running
  // tuner graph is tuned to it on the calling thread before this returns.
  virtual std::int32_t TuneForRecording(const tuning::ChannelLocator& locator) = 0;

  // The title the next recording file is named from.
  virtual void SetRecordingTitle(std::u16string_view title) = 0;

  virtual RecordingOrigin Origin() const = 0;
  virtual void SetOrigin(RecordingOrigin origin) = 0;
  virtual GUID TimerIdentity() const = 0;
  virtual void SetTimerIdentity(const GUID& identity) = 0;
  virtual int TimerClaims() const = 0;
  virtual void SetTimerClaims(int claims) = 0;

  // True while the channel scan runs on this graph.
  virtual bool Scanning() const = 0;
};

}  // namespace recording

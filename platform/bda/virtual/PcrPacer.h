// Paces a transport stream in real time by its PCR. The first PCR seen anchors
// the stream to the clock; every later packet is due when the PCR timeline
// (continued between PCRs at the rate the last two PCRs showed) reaches it. A
// jump of the PCR (backwards, or more than a second forward) continues the
// timeline instead of stalling, and a reader that fell behind by more than a
// second is not made to catch up in a burst.
//
// It also keeps account of what a reader that falls behind would lose to a
// hardware tuner: there the packets that are due but not yet read wait in the
// device's ring buffer, and what overflows it is gone. Delivery here loses
// nothing, so the overflow is only counted, on a timeline of its own that, as
// the device does, skips the overflowing packets and goes on.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/bda/virtual/Clock.h"

namespace vtuner {

// The ring buffer of a Linux DVB demux device's DVR node, by default.
inline constexpr std::uint64_t kDeviceBufferBytes = 10 * 188 * 1024;

struct ReaderLag {
  std::uint64_t worstBacklogBytes = 0;  // most bytes due and not yet read at a read
  std::uint64_t packetsOverflowed = 0;  // that did not fit kDeviceBufferBytes
};

class PcrPacer {
 public:
  explicit PcrPacer(Clock& clock) : clock_(clock) {}

  // Forgets the anchor; the next PCR anchors the stream anew. The reader's
  // lag counts on.
  void Reset();

  // Takes note of whole packets about to be delivered and returns when the
  // last of them is due, or nothing when no PCR has been seen yet.
  std::optional<std::chrono::nanoseconds> Account(std::span<const std::uint8_t> packets);

  // Account, then sleep until the packets are due.
  void Pace(std::span<const std::uint8_t> packets);

  // The stream time (27 MHz ticks since the anchor) of the last packet accounted.
  std::uint64_t StreamTime() const { return lastStreamTime_; }

  // How far the reader fell behind since the pacer was made.
  const ReaderLag& Lag() const { return lag_; }

 private:
  void TakePcr(std::uint16_t pid, std::uint64_t pcr);
  std::uint64_t ExtrapolatedTime() const;
  void TrackLag(std::size_t bytes, std::chrono::nanoseconds now);

  Clock& clock_;
  bool anchored_ = false;
  int pcrPid_ = -1;
  std::chrono::nanoseconds wallAnchor_{0};
  std::uint64_t lastPcr_ = 0;        // as carried, mod 2^33 * 300
  std::uint64_t lastPcrTime_ = 0;    // stream time of the last PCR packet
  std::uint64_t bytesSincePcr_ = 0;  // from the last PCR packet's start
  double ticksPerByte_ = 0;          // 0 until two PCRs were seen
  std::uint64_t lastStreamTime_ = 0;
  // The device's timeline: the wall anchor, moved on by what overflowed.
  std::chrono::nanoseconds lagAnchor_{0};
  ReaderLag lag_;
};

}  // namespace vtuner

// Paces a transport stream in real time by its PCR. The first PCR seen anchors
// the stream to the clock; every later packet is due when the PCR timeline
// (continued between PCRs at the rate the last two PCRs showed) reaches it. A
// jump of the PCR (backwards, or more than a second forward) continues the
// timeline instead of stalling, and a reader that fell behind by more than a
// second is not made to catch up in a burst.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/bda/virtual/Clock.h"

namespace vtuner {

class PcrPacer {
 public:
  explicit PcrPacer(Clock& clock) : clock_(clock) {}

  // Forgets the anchor; the next PCR anchors the stream anew.
  void Reset();

  // Takes note of whole packets about to be delivered and returns when the
  // last of them is due, or nothing when no PCR has been seen yet.
  std::optional<std::chrono::nanoseconds> Account(std::span<const std::uint8_t> packets);

  // Account, then sleep until the packets are due.
  void Pace(std::span<const std::uint8_t> packets);

  // The stream time (27 MHz ticks since the anchor) of the last packet accounted.
  std::uint64_t StreamTime() const { return lastStreamTime_; }

 private:
  void TakePcr(std::uint16_t pid, std::uint64_t pcr);
  std::uint64_t ExtrapolatedTime() const;

  Clock& clock_;
  bool anchored_ = false;
  int pcrPid_ = -1;
  std::chrono::nanoseconds wallAnchor_{0};
  std::uint64_t lastPcr_ = 0;        // as carried, mod 2^33 * 300
  std::uint64_t lastPcrTime_ = 0;    // stream time of the last PCR packet
  std::uint64_t bytesSincePcr_ = 0;  // from the last PCR packet's start
  double ticksPerByte_ = 0;          // 0 until two PCRs were seen
  std::uint64_t lastStreamTime_ = 0;
};

}  // namespace vtuner

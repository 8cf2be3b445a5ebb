// How a capture loops, learnt from its first pass: the packets are shown in
// order as they are played, and at the pass end the loop length and each
// PID's continuity step are known, so that timestamps and counters stay
// continuous from one pass to the next.
//
// The loop length is the capture's duration at the rate its PCRs show: the
// PCR span of the first PCR PID over the packets between its first and last
// PCR, times the packet count, rounded to whole 90 kHz ticks. Without two
// usable PCRs the nominal rate times it.
#pragma once

#include <array>
#include <cstdint>

#include "platform/bda/virtual/TsPacket.h"

namespace vtuner {

class LoopTiming {
 public:
  LoopTiming() { firstCounter_.fill(kUnseen); }

  // The next packet of the first pass.
  void Add(const std::uint8_t* packet);
  // The first pass is complete.
  void Finish();

  bool Finished() const { return finished_; }
  std::uint64_t PacketCount() const { return count_; }
  // The PID of the first PCR, -1 before one is seen; after Finish -1 also
  // when the PCRs could not time the loop.
  int PcrPid() const { return pcrPid_; }
  std::uint64_t FirstPcr() const { return firstPcr_; }

  // Known after Finish. 27 MHz for PCR, 90 kHz for PTS/DTS; LoopLength27()
  // is always a multiple of 300 so the two stay in step.
  std::uint64_t LoopLength27() const { return loopLength27_; }
  std::uint64_t LoopLength90() const { return loopLength27_ / 300; }
  // Added (mod 16) to a PID's continuity counter per pass.
  std::uint8_t CounterStep(std::uint16_t pid) const { return counterStep_[pid & kNullPid]; }

 private:
  static constexpr std::int8_t kUnseen = -1;

  std::uint64_t count_ = 0;
  int pcrPid_ = -1;
  std::uint64_t firstPcr_ = 0, lastPcr_ = 0;
  std::uint64_t firstPcrIndex_ = 0, lastPcrIndex_ = 0;
  std::array<std::int8_t, 8192> firstCounter_;
  std::array<bool, 8192> firstHasPayload_{};
  std::array<std::uint8_t, 8192> lastCounter_{};
  std::array<std::uint8_t, 8192> counterStep_{};
  std::uint64_t loopLength27_ = 0;
  bool finished_ = false;
};

}  // namespace vtuner

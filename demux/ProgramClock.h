// The programme's clock: maps PCR and PTS/DTS values onto the stream time that
// samples carry (100 ns units).
//
// Timeline. The PCR counts 27 MHz ticks in 42 bits (33-bit base * 300 plus a
// 9-bit extension) and wraps every 2^33 * 300 ticks (about 26.5 hours). The
// clock unwraps it into a continuous 64-bit tick count and keeps an offset
// such that
//     stream time (27 MHz) = unwrapped PCR + offset
//     stream time (100 ns) = floor(stream time (27 MHz) * 10 / 27)
// The first PCR after construction or Reset() is anchored at the anchor time
// (0, or what Rebase() set). A PCR that jumps backwards or more than
// kMaxPcrGap forwards, or that carries the discontinuity_indicator, starts a
// new epoch: it is anchored where the previous PCR's stream time plus the time
// the packets in between took (at the measured packet rate), so stream time
// keeps running smoothly across splices, loops and tunes.
//
// Arrival. A stream received in real time gives each PCR the stream time on
// the graph's reference clock at which its packet arrived. Then the first PCR
// of an epoch lies at its arrival, later ones follow it by their PCR deltas
// (so the jitter of delivery does not reach the samples), and a new epoch
// starts, again at the arrival, after a tune, a jump or a discontinuity as
// above, and when arrivals and PCR deltas part by more than kMaxArrivalSlip (a
// gap in delivery that the PCR does not show). Sample times then stay on the
// graph's clock across gaps and tunes, beside streams stamped with that clock.
//
// PTS and DTS (33-bit, 90 kHz) are unwrapped to the value nearest to the
// current PCR (PTS lead the PCR by well under 13 hours), scaled by 300 and
// mapped with the same offset: a sample's start time is the stream time at
// which the decoder model presents it. No time is given before the first PCR.
#pragma once

#include <cstdint>
#include <optional>
#include "common/TsConstants.h"

namespace demux {

inline constexpr std::uint64_t kPcrModulus = (std::uint64_t{1} << 33) * 300;
inline constexpr std::uint64_t kPtsModulus = std::uint64_t{1} << 33;
inline constexpr std::int64_t kTicksPerSecond = common::kSystemClockHz;
inline constexpr std::int64_t kMaxPcrGap = kTicksPerSecond;  // PCRs come at least every 100 ms
// Most the PCR timeline may stray from the arrivals before it is re-anchored:
// more than delivery jitters, and as much as a paced reader may catch up.
inline constexpr std::int64_t kMaxArrivalSlip = kTicksPerSecond;

// 27 MHz ticks -> 100 ns units, rounding towards minus infinity.
std::int64_t TicksToUnits(std::int64_t ticks);
std::int64_t UnitsToTicks(std::int64_t units);

struct ClockEstimate {
  bool valid = false;
  std::int64_t streamTime = 0;     // 100 ns, at the latest PCR
  std::uint64_t packetIndex = 0;   // input packet that carried it
  std::uint64_t bytePosition = 0;  // input offset of that packet
  double ticksPerPacket = 0;       // measured 27 MHz ticks per input packet (0: unknown)
  double bitsPerSecond = 0;        // input rate derived from it (0: unknown)
};

class ProgramClock {
 public:
  struct Update {
    std::int64_t streamTime = 0;  // 100 ns
    bool newEpoch = false;        // re-anchored here (first PCR, jump or splice)
  };

  // A PCR of the programme, carried by input packet `packetIndex`, that
  // arrived at stream time `arrival` (100 ns) on the graph's reference clock,
  // or at no known time.
  Update OnPcr(std::uint64_t pcr, std::uint64_t packetIndex, std::uint64_t bytePosition,
               bool discontinuityIndicator, std::optional<std::int64_t> arrival = std::nullopt);

  bool Valid() const { return valid_; }
  // Stream time (100 ns) of a 33-bit 90 kHz PTS or DTS; empty before the first PCR.
  std::optional<std::int64_t> TimeOf(std::uint64_t pts90) const;

  // The next PCR starts a new epoch that continues the timeline (a tune).
  void Reset();
  // The next PCR starts a new epoch anchored at this stream time (100 ns).
  void Rebase(std::int64_t streamTime);

  ClockEstimate Estimate() const;

 private:
  bool valid_ = false;
  bool forceEpoch_ = false;
  std::optional<std::int64_t> anchor_;  // ticks, for the next epoch
  std::int64_t lastUnwrapped_ = 0;      // ticks
  std::int64_t offset_ = 0;             // stream ticks = unwrapped + offset
  std::uint64_t lastPacket_ = 0;
  std::uint64_t lastByte_ = 0;
  double ticksPerPacket_ = 0;
};

}  // namespace demux

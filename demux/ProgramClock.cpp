#include "demux/ProgramClock.h"

#include <cmath>

#include "common/TimeBase.h"

namespace demux {

namespace {

// Signed distance from `from` to `to` on a circle of `modulus` values, in
// [-modulus/2, modulus/2).
std::int64_t CircularDelta(std::int64_t to, std::int64_t from, std::int64_t modulus) {
  std::int64_t delta = common::FloorMod(to - from, modulus);
  if (delta >= modulus / 2) delta -= modulus;
  return delta;
}

constexpr std::int64_t kPcrMod = static_cast<std::int64_t>(kPcrModulus);
constexpr std::int64_t kPtsMod = static_cast<std::int64_t>(kPtsModulus);

}  // namespace

std::int64_t TicksToUnits(std::int64_t ticks) {
  return common::FloorDiv(ticks * 10, 27);
}
std::int64_t UnitsToTicks(std::int64_t units) {
  return units * 27 / 10;
}

ProgramClock::Update ProgramClock::OnPcr(std::uint64_t pcr, std::uint64_t packetIndex,
                                         std::uint64_t bytePosition, bool discontinuityIndicator,
                                         std::optional<std::int64_t> arrival) {
  const auto value = static_cast<std::int64_t>(pcr % kPcrModulus);
  std::optional<std::int64_t> arrivalTicks;
  if (arrival) arrivalTicks = UnitsToTicks(*arrival);
  Update update;
  if (!valid_) {
    lastUnwrapped_ = value;
    offset_ = arrivalTicks.value_or(anchor_.value_or(0)) - value;
    anchor_.reset();
    forceEpoch_ = false;
    valid_ = true;
    update.newEpoch = true;
  } else {
    const std::int64_t delta = CircularDelta(value, lastUnwrapped_, kPcrMod);
    const std::uint64_t packets = packetIndex - lastPacket_;
    bool jump = forceEpoch_ || anchor_ || discontinuityIndicator || delta < 0 || delta > kMaxPcrGap;
    if (!jump && arrivalTicks) {
      const std::int64_t slip = lastUnwrapped_ + delta + offset_ - *arrivalTicks;
      jump = slip > kMaxArrivalSlip || slip < -kMaxArrivalSlip;
    }
    if (!jump) {
      if (packets > 0 && delta > 0) {
        const double measured = static_cast<double>(delta) / static_cast<double>(packets);
        ticksPerPacket_ =
            ticksPerPacket_ == 0 ? measured : ticksPerPacket_ + (measured - ticksPerPacket_) / 16;
      }
      lastUnwrapped_ += delta;
    } else {
      // Without an arrival, continue the timeline: the new PCR lies where the
      // old one was plus the time the packets in between took at the measured rate.
      const auto elapsed =
          static_cast<std::int64_t>(std::llround(ticksPerPacket_ * static_cast<double>(packets)));
      const std::int64_t streamTicks = arrivalTicks ? *arrivalTicks
                                       : anchor_    ? *anchor_
                                                    : lastUnwrapped_ + offset_ + elapsed;
      lastUnwrapped_ = value;
      offset_ = streamTicks - value;
      anchor_.reset();
      forceEpoch_ = false;
      update.newEpoch = true;
    }
  }
  lastPacket_ = packetIndex;
  lastByte_ = bytePosition;
  update.streamTime = TicksToUnits(lastUnwrapped_ + offset_);
  return update;
}

std::optional<std::int64_t> ProgramClock::TimeOf(std::uint64_t pts90) const {
  if (!valid_) return std::nullopt;
  const std::int64_t reference = common::FloorDiv(lastUnwrapped_, 300);
  const auto value = static_cast<std::int64_t>(pts90 % kPtsModulus);
  const std::int64_t unwrapped = reference + CircularDelta(value, reference, kPtsMod);
  return TicksToUnits(unwrapped * 300 + offset_);
}

void ProgramClock::Reset() {
  forceEpoch_ = true;
}

void ProgramClock::Rebase(std::int64_t streamTime) {
  anchor_ = UnitsToTicks(streamTime);
}

ClockEstimate ProgramClock::Estimate() const {
  ClockEstimate estimate;
  if (!valid_) return estimate;
  estimate.valid = true;
  estimate.streamTime = TicksToUnits(lastUnwrapped_ + offset_);
  estimate.packetIndex = lastPacket_;
  estimate.bytePosition = lastByte_;
  estimate.ticksPerPacket = ticksPerPacket_;
  if (ticksPerPacket_ > 0) {
    estimate.bitsPerSecond = 8.0 * static_cast<double>(common::kPacketSize) *
                             static_cast<double>(kTicksPerSecond) / ticksPerPacket_;
  }
  return estimate;
}

}  // namespace demux

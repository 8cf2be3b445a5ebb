#include "platform/bda/virtual/PcrPacer.h"

#include <cmath>

#include "platform/bda/virtual/PacketFields.h"
#include "platform/bda/virtual/TsPacket.h"

namespace vtuner {
namespace {

constexpr std::uint64_t kMaxPcrStep = kPcrHz;  // one second
constexpr std::chrono::nanoseconds kMaxLag = std::chrono::seconds(1);

std::chrono::nanoseconds TicksToTime(std::uint64_t ticks) {
  // 27 MHz ticks to nanoseconds: * 1000 / 27, split to stay exact and in range.
  return std::chrono::nanoseconds(
      static_cast<std::int64_t>(ticks / 27 * 1000 + ticks % 27 * 1000 / 27));
}

}  // namespace

void PcrPacer::Reset() {
  anchored_ = false;
  pcrPid_ = -1;
  bytesSincePcr_ = 0;
  ticksPerByte_ = 0;
  lastStreamTime_ = 0;
}

std::uint64_t PcrPacer::ExtrapolatedTime() const {
  return lastPcrTime_ + static_cast<std::uint64_t>(
                            std::llround(ticksPerByte_ * static_cast<double>(bytesSincePcr_)));
}

void PcrPacer::TakePcr(std::uint16_t pid, std::uint64_t pcr) {
  if (pcrPid_ < 0) pcrPid_ = pid;
  if (pid != pcrPid_) return;
  if (!anchored_) {
    anchored_ = true;
    wallAnchor_ = clock_.Now();
    lastPcrTime_ = 0;
  } else {
    const std::uint64_t step = (pcr + kPcrWrap - lastPcr_) % kPcrWrap;
    if (step == 0 || step > kMaxPcrStep) {
      // A new time base: carry on from where the old one would have been.
      lastPcrTime_ = ExtrapolatedTime();
    } else {
      if (bytesSincePcr_ > 0)
        ticksPerByte_ = static_cast<double>(step) / static_cast<double>(bytesSincePcr_);
      lastPcrTime_ += step;
    }
  }
  lastPcr_ = pcr;
  bytesSincePcr_ = 0;
}

std::optional<std::chrono::nanoseconds> PcrPacer::Account(std::span<const std::uint8_t> packets) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos + kPacketSize <= packets.size(); pos += kPacketSize, ++count) {
    const std::uint8_t* packet = packets.data() + pos;
    // Only a packet with an adaptation field can carry a PCR.
    if (packet[0] == kSyncByte && (packet[3] & 0x20) != 0) {
      if (const auto pcr = PacketPcr(packet)) TakePcr(PacketPid(packet), *pcr);
    }
    bytesSincePcr_ += kPacketSize;
  }
  // Once anchored the stream stays anchored, so only the last packet's time
  // matters: it is worked out once, not per packet.
  if (count == 0 || !anchored_) return std::nullopt;
  bytesSincePcr_ -= kPacketSize;
  lastStreamTime_ = ExtrapolatedTime();
  bytesSincePcr_ += kPacketSize;
  auto due = wallAnchor_ + TicksToTime(lastStreamTime_);
  const auto now = clock_.Now();
  if (now - due > kMaxLag) {
    wallAnchor_ += now - due;
    due = now;
  }
  return due;
}

void PcrPacer::Pace(std::span<const std::uint8_t> packets) {
  if (const auto due = Account(packets)) clock_.SleepUntil(*due);
}

}  // namespace vtuner

#include "platform/bda/virtual/PcrPacer.h"

#include <algorithm>
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

std::uint64_t TimeToTicks(std::chrono::nanoseconds time) {
  const auto ns = static_cast<std::uint64_t>(time.count());
  return ns / 1000 * 27 + ns % 1000 * 27 / 1000;
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
    lagAnchor_ = wallAnchor_;
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
  TrackLag(packets.size(), now);
  if (now - due > kMaxLag) {
    wallAnchor_ += now - due;
    due = now;
    // Paced from here again, the reader would have emptied the device's
    // buffer: its lag, and any loss, was counted above.
    lagAnchor_ = std::max(lagAnchor_, wallAnchor_);
  }
  return due;
}

void PcrPacer::TrackLag(std::size_t bytes, std::chrono::nanoseconds now) {
  const auto due = lagAnchor_ + TicksToTime(lastStreamTime_);
  if (ticksPerByte_ <= 0 || now <= due) return;
  // This read's packets, and those due since its last one, wait in the device.
  const auto backlog = bytes + static_cast<std::uint64_t>(
                                   static_cast<double>(TimeToTicks(now - due)) / ticksPerByte_);
  lag_.worstBacklogBytes = std::max(lag_.worstBacklogBytes, backlog);
  if (backlog <= kDeviceBufferBytes) return;
  // The device overwrote the excess; its timeline skips it.
  const std::uint64_t excess = backlog - kDeviceBufferBytes;
  lag_.packetsOverflowed += (excess + kPacketSize - 1) / kPacketSize;
  lagAnchor_ += TicksToTime(
      static_cast<std::uint64_t>(std::llround(static_cast<double>(excess) * ticksPerByte_)));
}

void PcrPacer::Pace(std::span<const std::uint8_t> packets) {
  if (const auto due = Account(packets)) clock_.SleepUntil(*due);
}

}  // namespace vtuner

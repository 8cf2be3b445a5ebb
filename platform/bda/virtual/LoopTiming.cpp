#include "platform/bda/virtual/LoopTiming.h"

#include <algorithm>
#include <cmath>

#include "platform/bda/virtual/Capture.h"
#include "platform/bda/virtual/PacketFields.h"

namespace vtuner {

void LoopTiming::Add(const std::uint8_t* packet) {
  const std::uint16_t pid = PacketPid(packet);
  const std::uint8_t control = packet[3];
  if (pid != kNullPid && (control & 0x30) != 0) {
    if (firstCounter_[pid] == kUnseen) {
      firstCounter_[pid] = static_cast<std::int8_t>(control & 0x0F);
      firstHasPayload_[pid] = (control & 0x10) != 0;
    }
    lastCounter_[pid] = control & 0x0F;
  }
  if (control & 0x20) {
    if (const auto pcr = PacketPcr(packet)) {
      if (pcrPid_ < 0) {
        pcrPid_ = pid;
        firstPcr_ = *pcr;
        firstPcrIndex_ = count_;
      }
      if (pid == pcrPid_) {
        lastPcr_ = *pcr;
        lastPcrIndex_ = count_;
      }
    }
  }
  ++count_;
}

void LoopTiming::Finish() {
  if (finished_) return;
  finished_ = true;
  // The capture's rate in 27 MHz ticks per packet; the loop lasts one such
  // interval longer than the capture holds packets for, so the next pass's
  // first packet follows the last one at the same rate.
  const std::uint64_t span = (lastPcr_ + kPcrWrap - firstPcr_) % kPcrWrap;
  double ticksPerPacket = 0;
  if (pcrPid_ >= 0 && lastPcrIndex_ > firstPcrIndex_ && span > 0 && span < kPcrWrap / 2) {
    ticksPerPacket =
        static_cast<double>(span) / static_cast<double>(lastPcrIndex_ - firstPcrIndex_);
  } else {
    pcrPid_ = -1;
    ticksPerPacket = kPacketSize * 8 * static_cast<double>(kPcrHz) / kNominalBitsPerSecond;
  }
  const double ticks = ticksPerPacket * static_cast<double>(count_);
  const double limit = static_cast<double>(kPcrWrap / 2);
  const auto units = static_cast<std::uint64_t>(std::llround(std::min(ticks, limit) / 300.0));
  loopLength27_ = std::max<std::uint64_t>(units, 1) * 300;
  // The first packet of the next pass must follow the last one: one more when
  // it carries payload, the same counter when it carries only an adaptation field.
  for (std::size_t pid = 0; pid < counterStep_.size(); ++pid) {
    if (firstCounter_[pid] == kUnseen) continue;
    const int expected = lastCounter_[pid] + (firstHasPayload_[pid] ? 1 : 0);
    counterStep_[pid] = static_cast<std::uint8_t>((expected - firstCounter_[pid]) & 0x0F);
  }
}

}  // namespace vtuner

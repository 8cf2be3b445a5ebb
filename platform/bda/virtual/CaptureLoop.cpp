#include "platform/bda/virtual/CaptureLoop.h"

#include <algorithm>
#include <cstring>

#include "common/MpegTimestamps.h"

namespace vtuner {

CaptureLoop::CaptureLoop(std::shared_ptr<const Capture> capture) : capture_(std::move(capture)) {}

void CaptureLoop::StartPass(std::uint64_t pass) {
  pass_ = pass;
  next_ = 0;
  pcrShift_ = (pcrShift_ + capture_->LoopLength27()) % kPcrWrap;
  ptsShift_ = (ptsShift_ + capture_->LoopLength90()) % kTimestampWrap;
  passMod16_ = static_cast<unsigned>(pass & 0x0F);
}

void CaptureLoop::Patch(std::uint8_t* packet, const PacketFields& fields) const {
  if (fields.seamDiscontinuity) packet[5] &= 0x7F;
  if (fields.counted) {
    const unsigned step = capture_->CounterStep(fields.pid) * passMod16_;
    packet[3] = static_cast<std::uint8_t>((packet[3] & 0xF0) | ((packet[3] + step) & 0x0F));
  }
  if (fields.pcr)
    WritePcr(packet + fields.pcr, (ReadPcr(packet + fields.pcr) + pcrShift_) % kPcrWrap);
  if (fields.opcr)
    WritePcr(packet + fields.opcr, (ReadPcr(packet + fields.opcr) + pcrShift_) % kPcrWrap);
  // The shift goes into the value bits; prefix and markers stay as captured.
  const auto shift = [this](std::uint8_t* at) {
    const common::PesTimestampField field(at, common::kPesTimestampSize);
    common::SetPesTimestampValue(field, common::ReadPesTimestamp(field) + ptsShift_);
  };
  if (fields.pts) shift(packet + fields.pts);
  if (fields.dts) shift(packet + fields.dts);
}

std::size_t CaptureLoop::Read(std::span<std::uint8_t> out) {
  const std::size_t count = capture_->PacketCount();
  if (count == 0) return 0;
  const auto packets = capture_->Packets();
  std::size_t wanted = out.size() / kPacketSize;
  std::size_t written = 0;
  while (wanted > 0) {
    if (next_ == count) StartPass(pass_ + 1);
    const std::size_t run = std::min(wanted, count - next_);
    std::uint8_t* dst = out.data() + written;
    std::memcpy(dst, packets.data() + next_ * kPacketSize, run * kPacketSize);
    if (pass_ > 0) {
      for (std::size_t i = 0; i < run; ++i)
        Patch(dst + i * kPacketSize, capture_->Fields(next_ + i));
    }
    next_ += run;
    written += run * kPacketSize;
    wanted -= run;
  }
  return written;
}

}  // namespace vtuner

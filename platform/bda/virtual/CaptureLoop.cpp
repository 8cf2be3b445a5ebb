#include "platform/bda/virtual/CaptureLoop.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/MpegTimestamps.h"
#include "platform/bda/virtual/PacketFields.h"

namespace vtuner {
namespace {

constexpr std::uint64_t kBitsPerPacket = kPacketSize * 8;
constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

}  // namespace

CaptureLoop::CaptureLoop(std::shared_ptr<const Capture> capture)
    : capture_(std::move(capture)), sync_(capture_) {}

void CaptureLoop::KeepTablesOnly(std::size_t byteLimit) {
  record_ = std::make_unique<TableRecord>(byteLimit);
}

void CaptureLoop::StartPass() {
  ++pass_;
  next_ = 0;
  recordNext_ = 0;
  passEnded_ = false;
  sync_.Rewind();
  seenInPass_.reset();
  pcrShift_ = (pcrShift_ + timing_.LoopLength27()) % kPcrWrap;
  ptsShift_ = (ptsShift_ + timing_.LoopLength90()) % kTimestampWrap;
  passMod16_ = static_cast<unsigned>(pass_ & 0x0F);
}

void CaptureLoop::Patch(std::uint8_t* packet) {
  const PacketFields fields = AnalysePacket(packet);
  if (fields.counted) {
    if (!seenInPass_.test(fields.pid)) {
      seenInPass_.set(fields.pid);
      if (fields.discontinuity) packet[5] &= 0x7F;
    }
    const unsigned step = timing_.CounterStep(fields.pid) * passMod16_;
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

std::optional<std::uint64_t> CaptureLoop::TimeOf(const std::uint8_t* packet, std::uint64_t pass,
                                                 std::uint64_t index) const {
  const bool clocked = timing_.PcrPid() >= 0;
  if (clocked) {
    // Only packets of the PCR PID with an adaptation field can carry the
    // time; the cheap header test goes first, as nearly every packet fails it.
    if (!(packet[3] & 0x20) || PacketPid(packet) != timing_.PcrPid()) return std::nullopt;
    const auto pcr = PacketPcr(packet);
    if (!pcr) return std::nullopt;
    return (*pcr + kPcrWrap - timing_.FirstPcr()) % kPcrWrap + pass * timing_.LoopLength27();
  }
  // The first PCR of the capture starts its clock.
  if (pass == 0 && (packet[3] & 0x20) && PacketPcr(packet)) return 0;
  const std::uint64_t packetNumber = pass * timing_.PacketCount() + index;
  return packetNumber * kBitsPerPacket * kPcrHz / static_cast<std::uint64_t>(kNominalBitsPerSecond);
}

std::size_t CaptureLoop::ReadUntil(std::span<std::uint8_t> out, std::uint64_t until,
                                   PassEnd passEnd, Halt* halt) {
  *halt = Halt::kNone;
  const std::size_t room = out.size() / kPacketSize;
  std::size_t written = 0;
  while (written < room) {
    if (!failure_.empty()) {
      *halt = Halt::kEnded;
      break;
    }
    const bool replay = Replaying();
    const auto run = replay ? std::span<const std::uint8_t>() : sync_.Peek(room - written);
    if (replay ? recordNext_ == record_->Size() : run.empty()) {
      if (!replay && !sync_.Failure().empty()) {
        failure_ = sync_.Failure();
        continue;
      }
      if (!passEnded_) {
        passEnded_ = true;
        timing_.Finish();
        if (record_) record_->Finish();
      }
      if (timing_.PacketCount() == 0) {
        *halt = Halt::kEnded;
        break;
      }
      if (passEnd == PassEnd::kStop) {
        *halt = Halt::kPassEnd;
        break;
      }
      if (passEnd == PassEnd::kCrossThisOne) passEnd = PassEnd::kStop;
      StartPass();
      continue;
    }
    if (replay) {
      const TableRecord::Packet packet = record_->At(recordNext_);
      if (until != kNoLimit) {
        const auto time = TimeOf(packet.bytes, pass_, packet.index);
        if (time && *time >= until) {
          *halt = Halt::kTime;
          break;
        }
      }
      ++recordNext_;
      next_ = packet.index + 1;
      if (passEnd == PassEnd::kCrossThisOne) passEnd = PassEnd::kStop;
      if (!packet.delivered) continue;
      std::uint8_t* dst = out.data() + written * kPacketSize;
      std::memcpy(dst, packet.bytes, kPacketSize);
      Patch(dst);
      ++written;
      continue;
    }
    const std::size_t count = run.size() / kPacketSize;
    std::size_t take = 0;
    for (; take < count; ++take) {
      const std::uint8_t* packet = run.data() + take * kPacketSize;
      if (until != kNoLimit) {
        const auto time = TimeOf(packet, pass_, next_ + take);
        if (time && *time >= until) {
          *halt = Halt::kTime;
          break;
        }
      }
      if (pass_ == 0) {
        timing_.Add(packet);
        if (record_) record_->Add(packet, next_ + take);
      }
    }
    std::uint8_t* dst = out.data() + written * kPacketSize;
    std::memcpy(dst, run.data(), take * kPacketSize);
    if (pass_ > 0) {
      for (std::size_t i = 0; i < take; ++i)
        Patch(dst + i * kPacketSize);
    }
    sync_.Consume(take);
    next_ += take;
    written += take;
    if (take > 0 && passEnd == PassEnd::kCrossThisOne) passEnd = PassEnd::kStop;
    if (*halt == Halt::kTime) break;
  }
  return written * kPacketSize;
}

std::size_t CaptureLoop::Read(std::span<std::uint8_t> out) {
  Halt halt;
  return ReadUntil(out, kNoLimit, PassEnd::kRunOn, &halt);
}

}  // namespace vtuner

#include "platform/bda/virtual/Capture.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "common/ByteReader.h"

namespace vtuner {
namespace {

// Captures are held in memory whole; beyond this a capture is refused.
constexpr std::uintmax_t kMaxCaptureBytes = 1ull << 30;

bool HasOptionalPesHeader(std::uint8_t streamId) {
  switch (streamId) {
    case 0xBC:  // program stream map
    case 0xBE:  // padding
    case 0xBF:  // private stream 2
    case 0xF0:  // ECM
    case 0xF1:  // EMM
    case 0xF2:  // DSM-CC
    case 0xF8:  // H.222.1 type E
    case 0xFF:  // program stream directory
      return false;
    default:
      return streamId >= 0xBC;
  }
}

}  // namespace

std::shared_ptr<const Capture> Capture::FromBytes(std::span<const std::uint8_t> bytes) {
  std::shared_ptr<Capture> capture(new Capture());
  // A packet is taken where a sync byte sits; out of step, a second sync byte one
  // packet further on (or the end of the capture) must confirm it first.
  common::ByteReader reader(bytes);
  capture->packets_.reserve(bytes.size() / kPacketSize * kPacketSize);
  bool inStep = false;
  while (reader.Remaining() >= kPacketSize) {
    const bool confirmed =
        reader.Remaining() == kPacketSize || reader.Peek(kPacketSize) == kSyncByte;
    if (reader.Peek() == kSyncByte && (inStep || confirmed)) {
      const auto packet = reader.Bytes(kPacketSize);
      capture->packets_.insert(capture->packets_.end(), packet.begin(), packet.end());
      inStep = true;
    } else {
      reader.Skip(1);
      inStep = false;
    }
  }
  capture->skippedBytes_ = bytes.size() - capture->packets_.size();
  const std::size_t count = capture->packets_.size() / kPacketSize;
  capture->fields_.resize(count);
  for (std::size_t i = 0; i < count; ++i)
    capture->Analyse(i);
  capture->ComputeLoopLength();
  capture->ComputeCounterSteps();
  return capture;
}

std::shared_ptr<const Capture> Capture::Load(const std::filesystem::path& file,
                                             std::string* error) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(file, ec);
  if (ec) {
    if (error) *error = file.string() + ": " + ec.message();
    return nullptr;
  }
  if (size > kMaxCaptureBytes) {
    if (error) *error = file.string() + ": capture larger than 1 GiB";
    return nullptr;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  std::ifstream in(file, std::ios::binary);
  if (!in ||
      !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
    if (error) *error = file.string() + ": cannot read the capture";
    return nullptr;
  }
  return FromBytes(bytes);
}

void Capture::Analyse(std::size_t index) {
  auto& fields = fields_[index];
  common::ByteReader packet(
      std::span<const std::uint8_t>(packets_).subspan(index * kPacketSize, kPacketSize));
  packet.U8();  // sync byte
  const auto header = packet.U16();
  const bool unitStart = (header & 0x4000) != 0;
  fields.pid = header & kNullPid;
  const auto control = packet.U8();
  const unsigned scrambling = control >> 6;
  const unsigned adaptation = control >> 4 & 0x03;
  fields.counted = fields.pid != kNullPid && adaptation != 0;

  if (adaptation & 0x02) {
    const auto length = packet.U8();
    auto field = packet.Sub(length);
    if (!packet.Ok()) return;  // adaptation field longer than the packet: leave it alone
    if (length > 0) {
      const auto flags = field.U8();
      const std::size_t fieldStart = 5;                // header and length byte
      fields.seamDiscontinuity = (flags & 0x80) != 0;  // kept for the PID's first packet only
      if (flags & 0x10) {
        const auto offset = fieldStart + field.Position();
        field.Skip(6);
        if (field.Ok()) fields.pcr = static_cast<std::uint8_t>(offset);
      }
      if (flags & 0x08) {
        const auto offset = fieldStart + field.Position();
        field.Skip(6);
        if (field.Ok()) fields.opcr = static_cast<std::uint8_t>(offset);
      }
    }
  }

  if (!(adaptation & 0x01) || !unitStart || scrambling != 0) return;
  if (packet.U24() != 0x000001) return;
  const auto streamId = packet.U8();
  packet.U16();  // PES_packet_length
  if (!packet.Ok() || !HasOptionalPesHeader(streamId)) return;
  const auto marker = packet.U8();
  const auto flags = packet.U8();
  const auto headerLength = packet.U8();
  if (!packet.Ok() || (marker & 0xC0) != 0x80) return;
  const std::size_t headerStart = packet.Position();
  auto optional = packet.Sub(std::min<std::size_t>(headerLength, packet.Remaining()));
  const unsigned ptsDts = flags >> 6;
  if (ptsDts == 2 || ptsDts == 3) {
    optional.Skip(5);
    if (optional.Ok()) fields.pts = static_cast<std::uint8_t>(headerStart);
  }
  if (ptsDts == 3) {
    optional.Skip(5);
    if (optional.Ok()) fields.dts = static_cast<std::uint8_t>(headerStart + 5);
  }
}

void Capture::ComputeLoopLength() {
  const std::size_t count = fields_.size();
  std::size_t firstIndex = 0, lastIndex = 0;
  std::uint64_t firstPcr = 0, lastPcr = 0;
  bool seen = false;
  for (std::size_t i = 0; i < count; ++i) {
    const auto& fields = fields_[i];
    if (!fields.pcr) continue;
    if (!seen) pcrPid_ = fields.pid;
    if (fields.pid != pcrPid_) continue;
    const auto pcr = ReadPcr(&packets_[i * kPacketSize + fields.pcr]);
    if (!seen) {
      firstIndex = i;
      firstPcr = pcr;
      seen = true;
    }
    lastIndex = i;
    lastPcr = pcr;
  }
  // The capture's rate, in 27 MHz ticks per packet, from its PCR span; the
  // loop lasts one such interval longer than the capture holds packets for, so
  // the next pass's first packet follows the last one at the same rate.
  const std::uint64_t span = (lastPcr + kPcrWrap - firstPcr) % kPcrWrap;
  double ticksPerPacket = 0;
  if (seen && lastIndex > firstIndex && span > 0 && span < kPcrWrap / 2) {
    ticksPerPacket = static_cast<double>(span) / static_cast<double>(lastIndex - firstIndex);
  } else {
    pcrPid_ = -1;
    ticksPerPacket = kPacketSize * 8 * static_cast<double>(kPcrHz) / kNominalBitsPerSecond;
  }
  const double ticks = ticksPerPacket * static_cast<double>(count);
  const double limit = static_cast<double>(kPcrWrap / 2);
  const auto units = static_cast<std::uint64_t>(std::llround(std::min(ticks, limit) / 300.0));
  loopLength27_ = std::max<std::uint64_t>(units, 1) * 300;
}

void Capture::ComputeCounterSteps() {
  constexpr int kUnseen = -1;
  std::array<int, 8192> firstCounter;
  std::array<bool, 8192> firstHasPayload{};
  std::array<std::uint8_t, 8192> lastCounter{};
  firstCounter.fill(kUnseen);
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    auto& fields = fields_[i];
    if (!fields.counted) {
      fields.seamDiscontinuity = false;
      continue;
    }
    const std::uint8_t control = packets_[i * kPacketSize + 3];
    const std::uint8_t counter = control & 0x0F;
    if (firstCounter[fields.pid] == kUnseen) {
      firstCounter[fields.pid] = counter;
      firstHasPayload[fields.pid] = (control & 0x10) != 0;
    } else {
      fields.seamDiscontinuity = false;
    }
    lastCounter[fields.pid] = counter;
  }
  // The first packet of the next pass must follow the last one: one more when
  // it carries payload, the same counter when it carries only an adaptation field.
  for (std::size_t pid = 0; pid < counterStep_.size(); ++pid) {
    if (firstCounter[pid] == kUnseen) continue;
    const int expected = lastCounter[pid] + (firstHasPayload[pid] ? 1 : 0);
    counterStep_[pid] = static_cast<std::uint8_t>((expected - firstCounter[pid]) & 0x0F);
  }
}

}  // namespace vtuner

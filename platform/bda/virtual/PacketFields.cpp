#include "platform/bda/virtual/PacketFields.h"

#include <algorithm>
#include <span>

#include "common/ByteReader.h"
#include "platform/bda/virtual/TsPacket.h"

namespace vtuner {
namespace {

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

// Byte 4 is the adaptation field's length; the field must fit the packet.
constexpr std::uint8_t kMaxAdaptationLength = kPacketSize - 5;
constexpr std::uint8_t kFieldStart = 5;  // header and length byte

}  // namespace

std::optional<std::uint64_t> PacketPcr(const std::uint8_t* packet) {
  const std::uint8_t length = packet[4];
  if (!(packet[3] & 0x20) || length < 7 || length > kMaxAdaptationLength) return std::nullopt;
  if (!(packet[kFieldStart] & 0x10)) return std::nullopt;
  return ReadPcr(packet + kFieldStart + 1);
}

PacketFields AnalysePacket(const std::uint8_t* packet) {
  PacketFields fields;
  common::ByteReader reader(std::span<const std::uint8_t>(packet, kPacketSize));
  reader.U8();  // sync byte
  const auto header = reader.U16();
  const bool unitStart = (header & 0x4000) != 0;
  fields.pid = header & kNullPid;
  const auto control = reader.U8();
  const unsigned scrambling = control >> 6;
  const unsigned adaptation = control >> 4 & 0x03;
  fields.counted = fields.pid != kNullPid && adaptation != 0;

  if (adaptation & 0x02) {
    const auto length = reader.U8();
    auto field = reader.Sub(length);
    if (!reader.Ok()) return fields;  // longer than the packet: leave it alone
    if (length > 0) {
      const auto flags = field.U8();
      fields.discontinuity = (flags & 0x80) != 0;
      if (flags & 0x10) {
        const auto offset = kFieldStart + field.Position();
        field.Skip(6);
        if (field.Ok()) fields.pcr = static_cast<std::uint8_t>(offset);
      }
      if (flags & 0x08) {
        const auto offset = kFieldStart + field.Position();
        field.Skip(6);
        if (field.Ok()) fields.opcr = static_cast<std::uint8_t>(offset);
      }
    }
  }

  if (!(adaptation & 0x01) || !unitStart || scrambling != 0) return fields;
  if (reader.U24() != 0x000001) return fields;
  const auto streamId = reader.U8();
  reader.U16();  // PES_packet_length
  if (!reader.Ok() || !HasOptionalPesHeader(streamId)) return fields;
  const auto marker = reader.U8();
  const auto flags = reader.U8();
  const auto headerLength = reader.U8();
  if (!reader.Ok() || (marker & 0xC0) != 0x80) return fields;
  const std::size_t headerStart = reader.Position();
  auto optional = reader.Sub(std::min<std::size_t>(headerLength, reader.Remaining()));
  const unsigned ptsDts = flags >> 6;
  if (ptsDts == 2 || ptsDts == 3) {
    optional.Skip(5);
    if (optional.Ok()) fields.pts = static_cast<std::uint8_t>(headerStart);
  }
  if (ptsDts == 3) {
    optional.Skip(5);
    if (optional.Ok()) fields.dts = static_cast<std::uint8_t>(headerStart + 5);
  }
  return fields;
}

}  // namespace vtuner

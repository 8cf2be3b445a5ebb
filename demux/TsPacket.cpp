#include "demux/TsPacket.h"

#include "common/ByteReader.h"

namespace demux {

PacketParse ParsePacketHeader(PacketView packet, PacketHeader& header) {
  const std::uint8_t b1 = packet[1];
  const std::uint8_t b3 = packet[3];
  header.transportError = (b1 & 0x80) != 0;
  header.payloadUnitStart = (b1 & 0x40) != 0;
  header.pid = static_cast<std::uint16_t>((b1 & 0x1F) << 8 | packet[2]);
  header.scrambling = static_cast<std::uint8_t>(b3 >> 6);
  header.hasAdaptation = (b3 & 0x20) != 0;
  header.hasPayload = (b3 & 0x10) != 0;
  header.continuityCounter = b3 & 0x0F;
  header.discontinuity = false;
  header.randomAccess = false;
  header.hasPcr = false;
  header.pcr = 0;
  header.payloadOffset = kPacketSize;
  header.payloadSize = 0;

  if (!header.hasAdaptation && !header.hasPayload) return PacketParse::kReserved;

  std::size_t offset = 4;
  if (header.hasAdaptation) {
    const std::size_t length = packet[4];
    // The field may fill the rest of the packet (length 183); anything longer
    // runs past it.
    if (length > kPacketSize - 5) return PacketParse::kAdaptationOverflow;
    if (length > 0) {
      common::ByteReader field(std::span<const std::uint8_t>(packet).subspan(5, length));
      const std::uint8_t flags = field.U8();
      header.discontinuity = (flags & 0x80) != 0;
      header.randomAccess = (flags & 0x40) != 0;
      if (flags & 0x10) {
        const std::uint64_t base = field.Bits(33);
        field.Bits(6);  // reserved
        const std::uint64_t extension = field.Bits(9);
        // A PCR flag in a field too short for the PCR is ignored.
        if (field.Ok()) {
          header.hasPcr = true;
          header.pcr = base * 300 + extension;
        }
      }
    }
    offset = 5 + length;
  }
  if (header.hasPayload) {
    header.payloadOffset = static_cast<std::uint8_t>(offset);
    header.payloadSize = static_cast<std::uint8_t>(kPacketSize - offset);
  }
  return PacketParse::kOk;
}

}  // namespace demux

// Header and adaptation field of one 188-byte transport packet.
#pragma once

#include <cstdint>
#include <span>

#include "demux/DemuxTypes.h"

namespace demux {

using PacketView = std::span<const std::uint8_t, kPacketSize>;

struct PacketHeader {
  std::uint16_t pid = 0;
  std::uint8_t continuityCounter = 0;
  std::uint8_t scrambling = 0;  // transport_scrambling_control
  bool transportError = false;
  bool payloadUnitStart = false;
  bool hasAdaptation = false;
  bool hasPayload = false;
  // Adaptation field contents.
  bool discontinuity = false;  // discontinuity_indicator
  bool randomAccess = false;   // random_access_indicator
  bool hasPcr = false;
  std::uint64_t pcr = 0;  // 27 MHz: program_clock_reference_base * 300 + extension
  // Payload position inside the packet (payloadSize 0 when none).
  std::uint8_t payloadOffset = kPacketSize;
  std::uint8_t payloadSize = 0;
};

enum class PacketParse {
  kOk,
  kReserved,            // adaptation_field_control 00: nothing to decode
  kAdaptationOverflow,  // adaptation_field_length runs past the packet
};

// Decodes the packet header and adaptation field. The sync byte is the
// caller's business. Never reads outside the packet.
PacketParse ParsePacketHeader(PacketView packet, PacketHeader& header);

inline std::span<const std::uint8_t> Payload(PacketView packet, const PacketHeader& header) {
  return std::span<const std::uint8_t>(packet).subspan(header.payloadOffset, header.payloadSize);
}

}  // namespace demux

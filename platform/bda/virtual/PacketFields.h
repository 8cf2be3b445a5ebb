// Where a transport packet keeps the fields that capture playback rewrites on
// every later pass: the continuity counter, the discontinuity indicator, PCR,
// OPCR, PTS and DTS. Found from the packet's own bytes, so a pass can be
// patched as it is read.
#pragma once

#include <cstdint>
#include <optional>

namespace vtuner {

// An offset of 0 means the field is absent (no field can start at byte 0 of a
// packet).
struct PacketFields {
  std::uint16_t pid = 0;
  bool counted = false;        // its continuity counter moves on (not null, not reserved)
  bool discontinuity = false;  // discontinuity_indicator set
  std::uint8_t pcr = 0;
  std::uint8_t opcr = 0;
  std::uint8_t pts = 0;
  std::uint8_t dts = 0;
};

// The fields of one 188-byte packet that starts with its sync byte.
PacketFields AnalysePacket(const std::uint8_t* packet);

// The PCR of a packet and its PID, when its adaptation field carries one
// (the cheap part of AnalysePacket, for the first pass).
std::optional<std::uint64_t> PacketPcr(const std::uint8_t* packet);

inline std::uint16_t PacketPid(const std::uint8_t* packet) {
  return static_cast<std::uint16_t>((packet[1] & 0x1F) << 8 | packet[2]);
}

}  // namespace vtuner

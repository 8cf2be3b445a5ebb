// Transport packets (ISO/IEC 13818-1): 188 bytes, sync byte 0x47, PID,
// continuity counter, adaptation field with PCR or stuffing; PES headers with
// PTS and DTS.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/TsConstants.h"
#include "tools/broadcast/BitWriter.h"

namespace broadcast {

inline constexpr std::size_t kPacketSize = common::kPacketSize;
inline constexpr std::uint8_t kSyncByte = common::kSyncByte;
inline constexpr std::uint16_t kNullPid = common::kNullPid;
inline constexpr std::uint64_t kPcrWrap = (std::uint64_t{1} << 33) * 300;  // 27 MHz
inline constexpr std::uint64_t kPtsWrap = std::uint64_t{1} << 33;          // 90 kHz

// One continuity counter per PID; Next() returns the value for the next packet with payload.
class ContinuityCounters {
 public:
  std::uint8_t Next(std::uint16_t pid) {
    std::uint8_t& c = counters_[pid & 0x1FFF];
    const std::uint8_t value = c;
    c = static_cast<std::uint8_t>((c + 1) & 0x0F);
    return value;
  }
  // The counter of the last packet with payload (adaptation-only packets repeat it).
  std::uint8_t Last(std::uint16_t pid) const {
    return static_cast<std::uint8_t>((counters_[pid & 0x1FFF] + 15) & 0x0F);
  }

 private:
  std::array<std::uint8_t, 0x2000> counters_{};
};

struct PacketHeader {
  std::uint16_t pid = 0;
  bool payloadUnitStart = false;
  std::uint8_t continuityCounter = 0;
  std::optional<std::uint64_t> pcr;  // 27 MHz
  bool randomAccess = false;
};

// How the room left after a short payload is filled: sections pad with 0xFF
// after the payload, PES packets stuff the adaptation field.
enum class Stuffing { kAfterPayload, kAdaptationField };

// Writes one packet with as much of `payload` as fits; returns the payload bytes used.
std::size_t WritePacket(std::span<std::uint8_t, kPacketSize> out, const PacketHeader& header,
                        std::span<const std::uint8_t> payload, Stuffing stuffing);

// An adaptation-only packet carrying a PCR; the continuity counter is that of
// the PID's last packet with payload (it does not advance).
void WritePcrPacket(std::span<std::uint8_t, kPacketSize> out, std::uint16_t pid,
                    std::uint8_t lastContinuityCounter, std::uint64_t pcr);

void WriteNullPacket(std::span<std::uint8_t, kPacketSize> out);

// A PES header. `payloadSize` 0 with `unbounded` set writes PES_packet_length 0
// (allowed for video in transport streams).
Bytes PesHeader(std::uint8_t streamId, std::size_t payloadSize, std::optional<std::uint64_t> pts,
                std::optional<std::uint64_t> dts, bool unbounded);

}  // namespace broadcast

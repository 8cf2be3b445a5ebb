// Transport-packet constants and the PCR field the capture playback rewrites
// (the 42-bit PCR of the adaptation field; the PES timestamps it shifts use
// common/MpegTimestamps.h). The writer changes only the value bits and keeps
// every reserved bit as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include "common/TsConstants.h"

namespace vtuner {

inline constexpr std::size_t kPacketSize = common::kPacketSize;
inline constexpr std::uint8_t kSyncByte = common::kSyncByte;
inline constexpr std::uint16_t kNullPid = common::kNullPid;

// The 27 MHz clock of the PCR wraps at 2^33 * 300; the 90 kHz PTS/DTS at 2^33.
inline constexpr std::uint64_t kTimestampWrap = 1ull << 33;
inline constexpr std::uint64_t kPcrWrap = kTimestampWrap * 300;
inline constexpr std::uint64_t kPcrHz = common::kSystemClockHz;

// Reads the PCR (base * 300 + extension) from its six bytes.
std::uint64_t ReadPcr(const std::uint8_t* field);
// Writes `pcr` (below kPcrWrap) into the six bytes, keeping the reserved bits.
void WritePcr(std::uint8_t* field, std::uint64_t pcr);

}  // namespace vtuner

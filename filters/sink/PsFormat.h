// Byte layout of the recording files: 2048-byte programme-stream packs, the
// system header, PES timestamps and padding packets, and the clock units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include "common/TsConstants.h"

namespace filters {

inline constexpr std::size_t kPackSize = 2048;
inline constexpr std::size_t kPackHeaderSize = 14;
inline constexpr std::size_t kSystemHeaderSize = 18;
inline constexpr std::uint32_t kProgramMuxRate = 200000;              // units of 50 bytes/s
inline constexpr std::size_t kPesRoom = kPackSize - kPackHeaderSize;  // 2034

inline constexpr std::uint8_t kStreamVideo = 0xE0;
inline constexpr std::uint8_t kStreamPrivate1 = 0xBD;
inline constexpr std::uint8_t kStreamPrivate2 = 0xBF;
inline constexpr std::uint8_t kStreamPadding = 0xBE;
inline constexpr std::uint8_t kPackStart = 0xBA;
inline constexpr std::uint8_t kSystemHeaderStart = 0xBB;
inline constexpr std::uint8_t kProgramEnd = 0xB9;
inline constexpr std::uint8_t kSubstreamAc3 = 0x80;
inline constexpr std::uint8_t kSubstreamText = 0x1F;

inline constexpr std::uint8_t kProgramEndCode[4] = {0x00, 0x00, 0x01, kProgramEnd};

// 27 MHz ticks per 90 kHz tick; a 33-bit 90 kHz clock wraps after 2^33 ticks.
inline constexpr std::int64_t kTicksPer90k = 300;
inline constexpr std::int64_t kWrap90k = std::int64_t{1} << 33;
inline constexpr std::int64_t kWrap27 = kWrap90k * kTicksPer90k;

// Sample time (100 ns) -> 27 MHz stream time; the constant adds one second.
constexpr std::int64_t StreamTime27(std::int64_t time100ns) {
  return time100ns * 27 / 10 + common::kSystemClockHz;
}
// 27 MHz -> 100 ns.
constexpr std::int64_t Time100ns(std::int64_t time27) {
  return time27 * 10 / 27;
}

// Pack header (14 bytes) with the SCR given in 27 MHz ticks.
void WritePackHeader(std::span<std::uint8_t, kPackHeaderSize> out, std::int64_t scr27);

// System header (18 bytes): one video stream (0xE0) and one private stream 1 (0xBD).
void WriteSystemHeader(std::span<std::uint8_t, kSystemHeaderSize> out);

// A 5-byte PES timestamp of a 27 MHz time with its 4-bit prefix (2 = PTS
// alone, 3 = PTS followed by DTS, 1 = DTS).
void WriteTimestamp(std::span<std::uint8_t, 5> out, unsigned prefix, std::int64_t time27);

// A padding packet filling `out` whole (at least 6 bytes).
void WritePadding(std::span<std::uint8_t> out);

// First pack of every file: pack header, system header and a 2010-byte padding packet.
void WriteFileStartPack(std::span<std::uint8_t, kPackSize> out, std::int64_t scr27);

}  // namespace filters

// The 33-bit clocks of MPEG-2 systems streams as headers pack them: the PTS
// and DTS of a PES header (5 bytes) and the SCR of a programme-stream pack
// header (6 bytes: a 33-bit 90 kHz base and a 9-bit 27 MHz extension).
//
// PES field:  prefix(4) value[32..30] marker value[29..15] marker value[14..0] marker
// Pack SCR:   '01' base[32..30] marker base[29..15] marker base[14..0] marker ext(9) marker
//
// The readers do not look at prefix and marker bits; the writers keep the low
// 33 bits of the value, so a time past the wrap is written modulo 2^33.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace common {

inline constexpr std::uint64_t kTimestampWrap = std::uint64_t{1} << 33;  // 90 kHz
inline constexpr std::uint64_t kScrTicksPerBase = 300;                   // 27 MHz per 90 kHz
inline constexpr std::uint64_t kScrWrap = kTimestampWrap * kScrTicksPerBase;

inline constexpr std::size_t kPesTimestampSize = 5;
inline constexpr std::size_t kScrSize = 6;

using PesTimestampField = std::span<std::uint8_t, kPesTimestampSize>;
using ConstPesTimestampField = std::span<const std::uint8_t, kPesTimestampSize>;
using ScrField = std::span<std::uint8_t, kScrSize>;
using ConstScrField = std::span<const std::uint8_t, kScrSize>;

constexpr std::uint64_t ReadPesTimestamp(ConstPesTimestampField field) {
  return (std::uint64_t{field[0]} >> 1 & 0x07) << 30 | std::uint64_t{field[1]} << 22 |
         (std::uint64_t{field[2]} >> 1) << 15 | std::uint64_t{field[3]} << 7 | field[4] >> 1;
}

// Replaces the value bits only; the prefix and the marker bits stay as they are.
constexpr void SetPesTimestampValue(PesTimestampField field, std::uint64_t value) {
  value &= kTimestampWrap - 1;
  field[0] = static_cast<std::uint8_t>((field[0] & 0xF1) | (value >> 29 & 0x0E));
  field[1] = static_cast<std::uint8_t>(value >> 22);
  field[2] = static_cast<std::uint8_t>((field[2] & 0x01) | (value >> 14 & 0xFE));
  field[3] = static_cast<std::uint8_t>(value >> 7);
  field[4] = static_cast<std::uint8_t>((field[4] & 0x01) | (value << 1 & 0xFE));
}

// A whole field with its 4-bit prefix (2 = a PTS alone, 3 = a PTS followed by
// a DTS, 1 = that DTS) and all three marker bits set.
constexpr void WritePesTimestamp(PesTimestampField field, unsigned prefix, std::uint64_t value) {
  field[0] = static_cast<std::uint8_t>(prefix << 4 | 0x01);
  field[2] = 0x01;
  field[4] = 0x01;
  SetPesTimestampValue(field, value);
}

// The SCR in 27 MHz ticks: base * 300 + extension.
constexpr std::uint64_t ReadScr(ConstScrField field) {
  const std::uint64_t base =
      (std::uint64_t{field[0]} >> 3 & 0x07) << 30 | (std::uint64_t{field[0]} & 0x03) << 28 |
      std::uint64_t{field[1]} << 20 | (std::uint64_t{field[2]} >> 3) << 15 |
      (std::uint64_t{field[2]} & 0x03) << 13 | std::uint64_t{field[3]} << 5 | field[4] >> 3;
  const std::uint64_t extension = (std::uint64_t{field[4]} & 0x03) << 7 | field[5] >> 1;
  return base * kScrTicksPerBase + extension;
}

// Writes `scr27` (27 MHz, taken modulo the wrap) with the '01' prefix and the markers.
constexpr void WriteScr(ScrField field, std::uint64_t scr27) {
  scr27 %= kScrWrap;
  const std::uint64_t base = scr27 / kScrTicksPerBase;
  const std::uint64_t extension = scr27 % kScrTicksPerBase;
  field[0] = static_cast<std::uint8_t>(0x40 | (base >> 27 & 0x38) | 0x04 | (base >> 28 & 0x03));
  field[1] = static_cast<std::uint8_t>(base >> 20);
  field[2] = static_cast<std::uint8_t>((base >> 12 & 0xF8) | 0x04 | (base >> 13 & 0x03));
  field[3] = static_cast<std::uint8_t>(base >> 5);
  field[4] = static_cast<std::uint8_t>((base << 3 & 0xF8) | 0x04 | (extension >> 7 & 0x03));
  field[5] = static_cast<std::uint8_t>((extension << 1 & 0xFE) | 0x01);
}

}  // namespace common

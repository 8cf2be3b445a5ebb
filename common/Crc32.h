// CRC-32 in its MPEG-2 form: polynomial 0x04C11DB7, most significant bit first,
// initial value 0xFFFFFFFF, no reflection, no final inversion. Table sections and
// the chunks of the settings file are checked with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace common {

inline constexpr std::uint32_t kCrc32Initial = 0xFFFFFFFFu;

// Continues a running CRC over more bytes.
std::uint32_t Crc32Update(std::uint32_t crc, std::span<const std::uint8_t> bytes);

inline std::uint32_t Crc32Mpeg2(std::span<const std::uint8_t> bytes) {
  return Crc32Update(kCrc32Initial, bytes);
}

}  // namespace common

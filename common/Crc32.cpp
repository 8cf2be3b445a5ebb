#include "common/Crc32.h"

#include <array>

namespace common {
namespace {

// Slicing-by-4 tables: table[0] is the classic byte table, table[k] advances a
// byte that lies k positions further back.
constexpr std::array<std::array<std::uint32_t, 256>, 4> MakeTables() {
  std::array<std::array<std::uint32_t, 256>, 4> t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i << 24;
    for (int bit = 0; bit < 8; ++bit)
      c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
    t[0][i] = c;
  }
  for (std::uint32_t i = 0; i < 256; ++i) {
    for (int k = 1; k < 4; ++k)
      t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
  }
  return t;
}

constexpr auto kTables = MakeTables();

}  // namespace

std::uint32_t Crc32Update(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
  const std::uint8_t* p = bytes.data();
  std::size_t n = bytes.size();
  while (n >= 4) {
    crc ^= static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
    crc = kTables[3][crc >> 24] ^ kTables[2][(crc >> 16) & 0xFF] ^ kTables[1][(crc >> 8) & 0xFF] ^
          kTables[0][crc & 0xFF];
    p += 4;
    n -= 4;
  }
  while (n-- > 0)
    crc = (crc << 8) ^ kTables[0][(crc >> 24) ^ *p++];
  return crc;
}

}  // namespace common

// Where a table section was received: stamped on every section by the section
// buffer and carried into the section store's key.
#pragma once

#include <cstdint>

namespace tables {

struct SectionTag {
  std::uint8_t tuningSpace = 0;  // channel map: 0 "Antenna US" ... 6 "Antenna TW"
  std::uint8_t physical = 0;     // physical channel of the band plan, never 0 when queued
  std::uint16_t modulation = 0;  // modulation mask; the store's key keeps the low 8 bits
  std::uint16_t pid = 0;         // 13-bit PID the section arrived on
};

}  // namespace tables

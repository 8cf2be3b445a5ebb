// The ATSC extended text table (table_id 0xCC) and system time table (table_id
// 0xCD) decoded once into plain structs.
#pragma once

#include <cstdint>
#include <span>

#include "tables/sections/SectionHeader.h"

namespace tables {

struct EttTable {
  SectionHeader header;
  std::uint8_t protocolVersion = 0;
  std::uint32_t etmId = 0;                     // source_id << 16 | event_id << 2 | type
  std::span<const std::uint8_t> extendedText;  // a multiple string structure
};

struct SttTable {
  SectionHeader header;
  std::uint8_t protocolVersion = 0;
  std::uint32_t systemTime = 0;  // GPS seconds
  std::uint8_t gpsUtcOffset = 0;
  std::uint16_t daylightSaving = 0;
  std::span<const std::uint8_t> descriptors;
};

// True when the fixed fields fit before the CRC.
bool DecodeEtt(std::span<const std::uint8_t> section, EttTable& ett);
bool DecodeStt(std::span<const std::uint8_t> section, SttTable& stt);

}  // namespace tables

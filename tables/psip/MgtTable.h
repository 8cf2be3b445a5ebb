// The ATSC master guide table (table_id 0xC7) decoded once into a plain struct.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tables/sections/SectionHeader.h"

namespace tables {

struct MgtEntry {
  std::uint16_t tableType = 0;
  std::uint16_t pid = 0;  // table_type_PID
  std::uint8_t version = 0;
  std::uint32_t numberBytes = 0;
  std::span<const std::uint8_t> descriptors;
};

struct MgtTable {
  SectionHeader header;
  std::uint16_t tablesDefined = 0;
  std::vector<MgtEntry> tables;  // the entries that fit before the CRC
};

// EIT-0..127 and ETT (channel ETT and ETT-0..127) table types.
constexpr bool IsEitTableType(std::uint16_t type) {
  return type >= 0x0100 && type <= 0x017F;
}
constexpr bool IsEttTableType(std::uint16_t type) {
  return type == 0x0004 || (type >= 0x0200 && type <= 0x027F);
}

// True when tables_defined entries all fit before the CRC.
bool DecodeMgt(std::span<const std::uint8_t> section, MgtTable& mgt);

}  // namespace tables

// The DVB service description table (table_id 0x42 actual, 0x46 other) decoded
// once into a plain struct. Descriptor loops are spans into the section.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tables/sections/SectionHeader.h"

namespace tables {

struct SdtService {
  std::uint16_t serviceId = 0;
  bool eitSchedule = false;
  bool eitPresentFollowing = false;
  std::uint8_t runningStatus = 0;
  bool freeCaMode = false;
  std::span<const std::uint8_t> descriptors;
};

struct SdtTable {
  SectionHeader header;  // table_id_extension: transport_stream_id
  std::uint16_t originalNetworkId = 0;
  std::uint8_t reserved = 0;         // reserved_future_use after original_network_id
  std::vector<SdtService> services;  // the services that fit before the CRC
};

// True when every service loop fits before the CRC.
bool DecodeSdt(std::span<const std::uint8_t> section, SdtTable& sdt);

}  // namespace tables

// The DVB event information table (table_id 0x4E, 0x50-0x5F) decoded once into
// a plain struct. Times stay as sent: a Modified Julian Date and BCD fields.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tables/sections/SectionHeader.h"

namespace tables {

struct DvbEvent {
  std::uint16_t eventId = 0;
  std::uint16_t mjd = 0;
  std::uint32_t startBcd = 0;     // hh:mm:ss
  std::uint32_t durationBcd = 0;  // hh:mm:ss
  std::uint8_t runningStatus = 0;
  bool freeCaMode = false;
  std::span<const std::uint8_t> descriptors;
};

struct DvbEitTable {
  SectionHeader header;  // table_id_extension: service_id
  std::uint16_t transportStreamId = 0;
  std::uint16_t originalNetworkId = 0;
  std::uint8_t segmentLastSectionNumber = 0;
  std::uint8_t lastTableId = 0;
  std::vector<DvbEvent> events;  // the events that fit before the CRC
  std::uint16_t ServiceId() const { return header.tableIdExtension; }
};

// True when the event loop ends exactly where the CRC begins.
bool DecodeDvbEit(std::span<const std::uint8_t> section, DvbEitTable& eit);

}  // namespace tables

// The ATSC event information table (table_id 0xCB) decoded once into a plain
// struct. Titles and descriptor loops are spans into the section's bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tables/sections/SectionHeader.h"

namespace tables {

struct PsipEvent {
  std::uint16_t eventId = 0;    // 14 bits
  std::uint32_t startTime = 0;  // GPS seconds
  std::uint8_t etmLocation = 0;
  std::uint32_t lengthInSeconds = 0;    // 20 bits
  std::span<const std::uint8_t> title;  // a multiple string structure
  std::span<const std::uint8_t> descriptors;
};

struct EitTable {
  SectionHeader header;  // table_id_extension: source_id
  std::uint8_t protocolVersion = 0;
  std::uint8_t eventCount = 0;    // num_events_in_section
  std::vector<PsipEvent> events;  // the events that fit before the CRC
  std::uint16_t SourceId() const { return header.tableIdExtension; }
};

// True when num_events_in_section events all fit before the CRC.
bool DecodeEit(std::span<const std::uint8_t> section, EitTable& eit);

}  // namespace tables

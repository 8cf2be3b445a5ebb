// The program association table (table_id 0x00) decoded once into a plain
// struct; the handlers, the dump, the channel collection and the
// demultiplexer read it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tables/sections/SectionHeader.h"

namespace tables {

struct PatEntry {
  std::uint16_t programNumber = 0;  // 0: the network PID entry
  std::uint16_t pid = 0;
};

struct PatTable {
  SectionHeader header;  // table_id_extension: transport_stream_id
  std::vector<PatEntry> programs;
  std::uint16_t TransportStreamId() const { return header.tableIdExtension; }
};

// Reads every whole entry between the header and the CRC. False when the
// section is too short to hold a header and CRC.
bool DecodePat(std::span<const std::uint8_t> section, PatTable& pat);

}  // namespace tables

// The programme map table (table_id 0x02) decoded once into a plain struct.
// The descriptor loops are spans into the section's bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tables/sections/SectionHeader.h"

namespace tables {

struct PmtStream {
  std::uint8_t streamType = 0;
  std::uint16_t elementaryPid = 0;
  std::span<const std::uint8_t> esInfo;
};

struct PmtTable {
  SectionHeader header;  // table_id_extension: program_number
  std::uint16_t pcrPid = 0;
  std::span<const std::uint8_t> programInfo;
  std::vector<PmtStream> streams;
  std::uint16_t ProgramNumber() const { return header.tableIdExtension; }
};

// Reads the PCR PID, the programme descriptors and each stream whose entry
// fits before the CRC. False when the fixed fields or the programme
// descriptors run past it; the streams read before a broken entry are kept.
bool DecodePmt(std::span<const std::uint8_t> section, PmtTable& pmt);

}  // namespace tables

// Which received table sections go on to the dispatcher: the tables the
// program parses, each on the PIDs it may arrive on, and only with an intact
// CRC. The section buffer filter, the command-line tools and the tests all
// apply these same rules before DispatchSection.
#pragma once

#include <cstdint>
#include <span>

namespace tables {

// True when a section with this table_id, received on this PID, is one the
// program parses: PAT/CAT only on PID 0, MGT/TVCT/CVCT/RRT/STT only on the
// PSIP base PID, the rest (PMT, SDT, DVB EIT, NIT, S-VCT, EIT, ETT...) on any.
bool IsWantedTable(std::uint8_t tableId, std::uint16_t pid);

// True when the MPEG-2 CRC-32 over the whole section, CRC field included,
// comes out as 0. A section too short to hold a CRC field never passes.
bool HasValidCrc(std::span<const std::uint8_t> section);

// Both rules: the section (table_id first) arrived on `pid` and may be dispatched.
bool AcceptReceivedSection(std::span<const std::uint8_t> section, std::uint16_t pid);

}  // namespace tables

// Table sections: the long form (section_syntax_indicator 1, version, section
// numbers, CRC-32) and the short form without CRC (the DVB time and date table).
#pragma once

#include <cstdint>
#include <span>

#include "tools/broadcast/BitWriter.h"

namespace broadcast {

struct LongSectionHeader {
  std::uint8_t tableId = 0;
  std::uint16_t tableIdExtension = 0;  // transport_stream_id, program_number, source_id, ...
  std::uint8_t version = 0;            // 5 bits
  std::uint8_t sectionNumber = 0;
  std::uint8_t lastSectionNumber = 0;
  // The bit after section_syntax_indicator: 0 in PAT and PMT, 1 in ATSC PSIP
  // (private_indicator) and DVB SI (reserved_future_use).
  bool privateIndicator = false;
};

// Header, body and CRC-32/MPEG-2. The body is everything after last_section_number.
Bytes LongSection(const LongSectionHeader& header, std::span<const std::uint8_t> body);

// table_id, flags and section_length followed by the body; no CRC.
Bytes ShortSection(std::uint8_t tableId, bool privateIndicator, std::span<const std::uint8_t> body);

// Largest section_length of PSI (1021) and of private sections (4093).
inline constexpr std::size_t kMaxPsiSectionLength = 1021;
inline constexpr std::size_t kMaxPrivateSectionLength = 4093;

}  // namespace broadcast

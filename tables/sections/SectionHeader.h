// The fixed fields at the start of every table section, read through the
// bounds-checked reader. Fields past the end of a short section read as 0.
#pragma once

#include <cstdint>
#include <span>

namespace tables {

struct SectionHeader {
  std::uint8_t tableId = 0;
  bool syntaxIndicator = false;
  std::uint16_t sectionLength = 0;  // 12 bits
  std::uint16_t tableIdExtension = 0;
  std::uint8_t version = 0;  // 5 bits
  bool currentNext = false;
  std::uint8_t sectionNumber = 0;
  std::uint8_t lastSectionNumber = 0;

  static SectionHeader Read(std::span<const std::uint8_t> section);
};

// section_length of a section, 0 when fewer than 3 bytes are present.
std::uint16_t SectionLength(std::span<const std::uint8_t> section);

}  // namespace tables

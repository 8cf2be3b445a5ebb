#include "tables/sections/SectionHeader.h"

#include "common/ByteReader.h"

namespace tables {

SectionHeader SectionHeader::Read(std::span<const std::uint8_t> section) {
  SectionHeader h;
  common::ByteReader r(section);
  h.tableId = r.U8();
  h.syntaxIndicator = r.Flag();
  r.Bits(3);
  h.sectionLength = static_cast<std::uint16_t>(r.Bits(12));
  h.tableIdExtension = r.U16();
  r.Bits(2);
  h.version = static_cast<std::uint8_t>(r.Bits(5));
  h.currentNext = r.Flag();
  h.sectionNumber = r.U8();
  h.lastSectionNumber = r.U8();
  return h;
}

std::uint16_t SectionLength(std::span<const std::uint8_t> section) {
  common::ByteReader r(section);
  r.Skip(1);
  r.Bits(4);
  const auto length = static_cast<std::uint16_t>(r.Bits(12));
  return r.Ok() ? length : 0;
}

}  // namespace tables

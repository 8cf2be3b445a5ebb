#include "tables/sections/SectionStore.h"

#include "tables/sections/SectionHeader.h"

namespace tables {

std::int32_t SectionStore::HighWord(const SectionTag& tag) {
  const std::uint32_t high = static_cast<std::uint32_t>(tag.modulation & 0xFFu) << 24 |
                             static_cast<std::uint32_t>(tag.tuningSpace) << 16 |
                             static_cast<std::uint32_t>(tag.physical) << 8 |
                             ((tag.pid >> 8) & 0xFFu);
  return static_cast<std::int32_t>(high);
}

common::ListKey SectionStore::KeyOf(std::span<const std::uint8_t> section, const SectionTag& tag) {
  const SectionHeader h = SectionHeader::Read(section);
  const std::uint32_t versionAndNumber =
      h.syntaxIndicator ? static_cast<std::uint32_t>(h.version) << 8 | h.sectionNumber : 0x0101u;
  const std::uint32_t low = static_cast<std::uint32_t>(tag.pid & 0xFFu) << 24 |
                            static_cast<std::uint32_t>(h.tableId) << 16 | versionAndNumber;
  return {low, HighWord(tag)};
}

SectionTag SectionStore::TagOf(common::ListKey key) {
  const auto high = static_cast<std::uint32_t>(key.high);
  SectionTag tag;
  tag.modulation = static_cast<std::uint16_t>(high >> 24);
  tag.tuningSpace = static_cast<std::uint8_t>(high >> 16);
  tag.physical = static_cast<std::uint8_t>(high >> 8);
  tag.pid = static_cast<std::uint16_t>((high & 0xFFu) << 8 | key.low >> 24);
  return tag;
}

bool SectionStore::StoreSection(std::span<const std::uint8_t> section, const SectionTag& tag) {
  const common::ListKey key = KeyOf(section, tag);
  ++arrivals_;
  if (SectionRecord* existing = records_.Find(key)) {
    existing->arrival = arrivals_;
    return false;
  }
  SectionRecord record;
  record.section.assign(section.begin(), section.end());
  record.arrival = arrivals_;
  records_.Insert(key, std::move(record));
  return true;
}

}  // namespace tables

#include "filters/sectionbuffer/SectionRules.h"

#include "common/Crc32.h"

namespace sectionbuffer {

bool IsWantedTable(std::uint8_t tableId, std::uint16_t pid) {
  if (tableId <= 0x01) return pid == kPatPid;
  if (tableId == 0x02 || tableId == 0x42 || tableId == 0x46) return true;
  if (tableId >= 0x4E && tableId <= 0x6F) return true;
  if (tableId >= 0xC2 && tableId <= 0xC5) return true;
  if (tableId >= 0xD3 && tableId <= 0xD6) return true;
  if ((tableId >= 0xC7 && tableId <= 0xCA) || tableId == 0xCD) return pid == kPsipBasePid;
  return tableId == 0xCB || tableId == 0xCC;
}

bool HasValidCrc(std::span<const std::uint8_t> section) {
  constexpr std::size_t kCrcSize = 4;
  if (section.size() < kCrcSize) return false;
  return common::Crc32Mpeg2(section) == 0;
}

}  // namespace sectionbuffer

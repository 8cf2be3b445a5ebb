#include "tables/sections/SectionRules.h"

#include "common/Crc32.h"
#include "common/TsConstants.h"

namespace tables {

bool IsWantedTable(std::uint8_t tableId, std::uint16_t pid) {
  using namespace common;
  if (tableId <= kCatTableId) return pid == kPatPid;
  if (tableId == kPmtTableId || tableId == kSdtActualTableId || tableId == kSdtOtherTableId) {
    return true;
  }
  if (tableId >= kDvbEitPresentFollowingTableId && tableId <= 0x6F) return true;
  if (tableId >= kCableNitTableId && tableId <= 0xC5) return true;
  if (tableId >= 0xD3 && tableId <= 0xD6) return true;
  if ((tableId >= kMgtTableId && tableId <= 0xCA) || tableId == kSttTableId) {
    return pid == kPsipBasePid;
  }
  return tableId == kPsipEitTableId || tableId == kEttTableId;
}

bool HasValidCrc(std::span<const std::uint8_t> section) {
  constexpr std::size_t kCrcSize = 4;
  if (section.size() < kCrcSize) return false;
  return common::Crc32Mpeg2(section) == 0;
}

bool AcceptReceivedSection(std::span<const std::uint8_t> section, std::uint16_t pid) {
  return !section.empty() && IsWantedTable(section[0], pid) && HasValidCrc(section);
}

}  // namespace tables

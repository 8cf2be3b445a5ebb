#include "common/TsConstants.h"
#include "common/Utf16.h"
#include "tables/psip/EitTable.h"
#include "tables/psip/PsipTables.h"
#include "tables/psip/RatingText.h"
#include "tables/sections/SectionHeader.h"
#include "tables/text/TextDecoding.h"

namespace tables {
namespace {

bool CheckEit(std::span<const std::uint8_t> section, const EitTable& eit, bool decoded) {
  const SectionHeader& h = eit.header;
  if (h.tableId != common::kPsipEitTableId || !h.currentNext || h.sectionLength <= 10 ||
      h.sectionLength > 4093 || section.size() != h.sectionLength + 3u || h.sectionNumber != 0 ||
      h.lastSectionNumber != 0) {
    return false;
  }
  return decoded;
}

}  // namespace

bool CheckEit(std::span<const std::uint8_t> section) {
  EitTable eit;
  const bool decoded = DecodeEit(section, eit);
  return CheckEit(section, eit, decoded);
}

bool OnEit(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag) {
  EitTable eit;
  const bool decoded = DecodeEit(section, eit);
  if (!CheckEit(section, eit, decoded)) return false;
  const std::uint16_t sourceId = eit.SourceId();
  for (const PsipEvent& e : eit.events) {
    const std::uint32_t start = (e.startTime + 30u) / 60u * 60u;
    auto lock = ctx.channels.Acquire();
    for (auto& [key, node] : ctx.channels) {
      if (node.record.locator.physical() != tag.physical || node.record.sourceId != sourceId) {
        continue;
      }
      if (node.events.Find(GuideEventKey(start))) continue;
      GuideEvent event;
      event.start = start;
      event.duration = e.lengthInSeconds;
      if (e.title.empty()) {
        common::SetField(event.title, u"(No Title)");
      } else {
        DecodeMultipleString16(event.title, e.title);
      }
      event.sourceId = sourceId;
      event.eventId = e.eventId;
      event.version = eit.header.version;
      event.sourcePid = tag.pid;
      ContentAdvisoryText(e.descriptors, event.rating);
      node.events.Insert(GuideEventKey(start), event);
    }
  }
  return true;
}

}  // namespace tables

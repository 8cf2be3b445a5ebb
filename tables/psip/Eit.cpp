#include "common/ByteReader.h"
#include "common/Utf16.h"
#include "tables/psip/PsipTables.h"
#include "tables/psip/RatingText.h"
#include "tables/sections/SectionHeader.h"
#include "tables/text/TextDecoding.h"

namespace tables {
namespace {

constexpr std::size_t kEventsOffset = 10;
constexpr std::size_t kCrcBytes = 4;

struct PsipEvent {
  std::uint16_t eventId = 0;
  std::uint32_t startTime = 0;
  std::uint32_t lengthInSeconds = 0;
  std::span<const std::uint8_t> title;
  std::span<const std::uint8_t> descriptors;
};

bool ReadEvent(common::ByteReader& r, PsipEvent& e) {
  r.Bits(2);
  e.eventId = static_cast<std::uint16_t>(r.Bits(14));
  e.startTime = r.U32();
  r.Bits(4);  // reserved, ETM_location
  e.lengthInSeconds = static_cast<std::uint32_t>(r.Bits(20));
  e.title = r.Bytes(r.U8());
  r.Bits(4);
  e.descriptors = r.Bytes(static_cast<std::size_t>(r.Bits(12)));
  return r.Ok();
}

template <class Fn>
bool ForEachEvent(std::span<const std::uint8_t> section, Fn fn) {
  if (section.size() < kEventsOffset + kCrcBytes) return false;
  const unsigned count = section[9];
  common::ByteReader r(section.subspan(kEventsOffset, section.size() - kEventsOffset - kCrcBytes));
  for (unsigned i = 0; i < count; ++i) {
    PsipEvent e;
    if (!ReadEvent(r, e)) return false;
    fn(e);
  }
  return true;
}

}  // namespace

bool CheckEit(std::span<const std::uint8_t> section) {
  const SectionHeader h = SectionHeader::Read(section);
  if (h.tableId != 0xCB || !h.currentNext || h.sectionLength <= 10 || h.sectionLength > 4093 ||
      section.size() != h.sectionLength + 3u || h.sectionNumber != 0 || h.lastSectionNumber != 0) {
    return false;
  }
  return ForEachEvent(section, [](const PsipEvent&) {});
}

bool OnEit(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag) {
  if (!CheckEit(section)) return false;
  const SectionHeader h = SectionHeader::Read(section);
  const std::uint16_t sourceId = h.tableIdExtension;
  ForEachEvent(section, [&](const PsipEvent& e) {
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
      event.version = h.version;
      event.sourcePid = tag.pid;
      ContentAdvisoryText(e.descriptors, event.rating);
      node.events.Insert(GuideEventKey(start), event);
    }
  });
  return true;
}

}  // namespace tables

#include "tables/dvb/DvbEit.h"

#include "common/ByteReader.h"
#include "common/TsConstants.h"
#include "tables/dvb/DvbEitTable.h"
#include "tables/dvb/DvbTime.h"
#include "tables/psip/RatingText.h"
#include "tables/sections/SectionReader.h"
#include "tables/text/TextDecoding.h"

namespace tables {
namespace {

// The event_name of the last short event descriptor, as a DVB string.
void DecodeTitle(std::span<const std::uint8_t> descriptors, std::span<char16_t> title) {
  std::span<const std::uint8_t> name;
  bool found = false;
  ForEachDescriptor(descriptors, [&](std::uint8_t tag, std::span<const std::uint8_t> bytes) {
    if (tag != common::kShortEventDescriptorTag) return;
    common::ByteReader body(bytes);
    body.Skip(3);  // ISO 639 language code
    const auto nameBytes = body.Bytes(body.U8());
    if (body.Ok()) {
      name = nameBytes;
      found = true;
    }
  });
  title[0] = 0;
  if (found) DecodeDvbString(title, name);
}

}  // namespace

bool IsDvbEitTable(std::uint8_t tableId) {
  return tableId == common::kDvbEitPresentFollowingTableId ||
         (tableId >= common::kDvbEitScheduleFirstTableId &&
          tableId <= common::kDvbEitScheduleLastTableId);
}

bool CheckDvbEit(std::span<const std::uint8_t> section) {
  constexpr std::size_t kMinimumBytes = 18;  // header, the four fields after it, CRC
  const SectionHeader h = SectionHeader::Read(section);
  if (section.size() != h.sectionLength + 3u || !h.currentNext || h.sectionLength <= 10 ||
      h.sectionLength > 4093 || section.size() < kMinimumBytes) {
    return false;
  }
  // The event loop must end exactly where the CRC begins.
  DvbEitTable eit;
  return DecodeDvbEit(section, eit);
}

void AddDvbEitEvents(std::span<const std::uint8_t> section, const SectionTag& tag,
                     tuning::ChannelList& channels) {
  DvbEitTable eit;
  DecodeDvbEit(section, eit);
  for (const DvbEvent& e : eit.events) {
    const std::uint32_t start = DvbEventStart(e.mjd, e.startBcd);
    auto lock = channels.Acquire();
    for (auto& [key, node] : channels) {
      if (node.key1() != tag.physical || node.record.programNumber != eit.ServiceId()) continue;
      if (node.events.Find(GuideEventKey(start))) continue;
      GuideEvent event;
      event.start = start;
      event.duration = BcdSeconds(e.durationBcd);
      event.eventId = e.eventId;
      DecodeTitle(e.descriptors, event.title);
      ContentAdvisoryText(e.descriptors, event.rating);
      event.version = eit.header.version;
      event.sourcePid = tag.pid;
      node.events.Insert(GuideEventKey(start), event);
    }
  }
}

}  // namespace tables

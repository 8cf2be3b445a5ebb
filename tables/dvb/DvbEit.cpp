#include "tables/dvb/DvbEit.h"

#include "common/ByteReader.h"
#include "tables/dvb/DvbTime.h"
#include "tables/psip/RatingText.h"
#include "tables/sections/SectionHeader.h"
#include "tables/text/TextDecoding.h"

namespace tables {
namespace {

constexpr std::size_t kEventsOffset = 14;
constexpr std::size_t kCrcBytes = 4;
constexpr std::uint8_t kShortEventTag = 0x4D;

struct DvbEvent {
  std::uint16_t eventId = 0;
  std::uint16_t mjd = 0;
  std::uint32_t startBcd = 0;
  std::uint32_t durationBcd = 0;
  std::span<const std::uint8_t> descriptors;
};

// Reads one event header and its descriptor loop; false past the end.
bool ReadEvent(common::ByteReader& r, DvbEvent& e) {
  e.eventId = r.U16();
  e.mjd = r.U16();
  e.startBcd = r.U24();
  e.durationBcd = r.U24();
  r.Bits(4);
  const auto loopLength = static_cast<std::size_t>(r.Bits(12));
  e.descriptors = r.Bytes(loopLength);
  return r.Ok();
}

// The event_name of the last short event descriptor, as a DVB string.
void DecodeTitle(std::span<const std::uint8_t> descriptors, std::span<char16_t> title) {
  common::ByteReader loop(descriptors);
  std::span<const std::uint8_t> name;
  bool found = false;
  while (loop.Remaining() >= 2) {
    const std::uint8_t tag = loop.U8();
    common::ByteReader body = loop.Sub(loop.U8());
    if (!loop.Ok()) break;
    if (tag != kShortEventTag) continue;
    body.Skip(3);  // ISO 639 language code
    const auto nameBytes = body.Bytes(body.U8());
    if (body.Ok()) {
      name = nameBytes;
      found = true;
    }
  }
  title[0] = 0;
  if (found) DecodeDvbString(title, name);
}

}  // namespace

bool IsDvbEitTable(std::uint8_t tableId) {
  return tableId == 0x4E || (tableId >= 0x50 && tableId <= 0x5F);
}

bool CheckDvbEit(std::span<const std::uint8_t> section) {
  const SectionHeader h = SectionHeader::Read(section);
  if (section.size() != h.sectionLength + 3u || !h.currentNext || h.sectionLength <= 10 ||
      h.sectionLength > 4093 || section.size() < kEventsOffset + kCrcBytes) {
    return false;
  }
  // The event loop must end exactly where the CRC begins.
  common::ByteReader r(section.subspan(kEventsOffset, section.size() - kEventsOffset - kCrcBytes));
  DvbEvent e;
  while (!r.AtEnd()) {
    if (!ReadEvent(r, e)) return false;
  }
  return r.Ok();
}

void AddDvbEitEvents(std::span<const std::uint8_t> section, const SectionTag& tag,
                     tuning::ChannelList& channels) {
  if (section.size() < kEventsOffset + kCrcBytes) return;
  const SectionHeader h = SectionHeader::Read(section);
  const std::uint16_t serviceId = h.tableIdExtension;
  common::ByteReader r(section.subspan(kEventsOffset, section.size() - kEventsOffset - kCrcBytes));
  DvbEvent e;
  while (!r.AtEnd() && ReadEvent(r, e)) {
    const std::uint32_t start = DvbEventStart(e.mjd, e.startBcd);
    auto lock = channels.Acquire();
    for (auto& [key, node] : channels) {
      if (node.key1() != tag.physical || node.record.programNumber != serviceId) continue;
      if (node.events.Find(GuideEventKey(start))) continue;
      GuideEvent event;
      event.start = start;
      event.duration = BcdSeconds(e.durationBcd);
      event.eventId = e.eventId;
      DecodeTitle(e.descriptors, event.title);
      ContentAdvisoryText(e.descriptors, event.rating);
      event.version = h.version;
      event.sourcePid = tag.pid;
      node.events.Insert(GuideEventKey(start), event);
    }
  }
}

}  // namespace tables

#include "tools/broadcast/PsipTables.h"

#include "common/TimeBase.h"
#include "tools/broadcast/MultipleString.h"

namespace broadcast {
namespace {

constexpr std::uint8_t kVctVersion = 1;

std::uint8_t ModulationMode(const MultiplexDescription& m, const ChannelDescription& c) {
  if (c.analog) return 0x01;
  if (m.modulation == tuning::kQam64) return 0x02;
  if (m.modulation == tuning::kQam256 || m.modulation == tuning::kQamAuto) return 0x03;
  return 0x04;  // 8-VSB
}

bool HasGuide(const ChannelDescription& c) {
  return !c.analog && !c.hideGuide;
}

std::uint8_t SlotVersion(std::int64_t slotStart) {
  return static_cast<std::uint8_t>(common::FloorMod(common::FloorDiv(slotStart, kSlotSeconds), 32));
}

Bytes ServiceLocation(const ChannelDescription& c) {
  BitWriter d;
  const int elements = (c.HasVideo() ? 1 : 0) + (c.HasAudio() ? 1 : 0);
  d.U8(0xA1);
  d.U8(static_cast<std::uint32_t>(3 + 6 * elements));
  d.Reserved(3);
  d.Bits(c.PcrPid(), 13);
  d.U8(static_cast<std::uint32_t>(elements));
  if (c.HasVideo()) {
    d.U8(0x02);
    d.Reserved(3);
    d.Bits(c.videoPid, 13);
    d.U24(0);  // no language for video
  }
  if (c.HasAudio()) {
    d.U8(0x81);
    d.Reserved(3);
    d.Bits(c.audioPid, 13);
    d.Append("eng");
  }
  return d.Take();
}

Bytes ExtendedChannelName(const ChannelDescription& c) {
  const Bytes text =
      SimpleMultipleString(c.name + " " + c.NumberText(), false, HuffmanTable::kTitle);
  BitWriter d;
  d.U8(0xA0);
  d.U8(static_cast<std::uint32_t>(text.size()));
  d.Append(text);
  return d.Take();
}

Bytes ContentAdvisory(const GuideEvent& e) {
  const Bytes text = SimpleMultipleString(e.ratingText, false, HuffmanTable::kDescription);
  BitWriter d;
  d.U8(0x87);
  const std::size_t length = 1 + 2 + 2 * e.rating.size() + 1 + text.size();
  d.U8(static_cast<std::uint32_t>(length));
  d.Reserved(2);
  d.Bits(1, 6);  // rating_region_count
  d.U8(0x01);    // rating_region: US (50 states and possessions)
  d.U8(static_cast<std::uint32_t>(e.rating.size()));
  for (const RatingDimension& r : e.rating) {
    d.U8(r.dimension);
    d.Reserved(4);
    d.Bits(r.value, 4);
  }
  d.U8(static_cast<std::uint32_t>(text.size()));
  d.Append(text);
  return d.Take();
}

}  // namespace

std::uint32_t GpsFromUtc(std::int64_t utc) {
  return static_cast<std::uint32_t>(utc - kGpsEpochUnix + kGpsUtcOffset);
}

std::uint32_t EventEtmId(std::uint16_t sourceId, std::uint16_t eventId) {
  return std::uint32_t{sourceId} << 16 | std::uint32_t{eventId & 0x3FFFu} << 2 | 0x2;
}

namespace {

Bytes VctEntry(const MultiplexDescription& m, const ChannelDescription& c) {
  const bool cable = m.tables == TableSet::kCvct;
  BitWriter body;
  // short_name: seven UTF-16 code units, big-endian, padded with zeros.
  for (std::size_t i = 0; i < 7; ++i)
    body.U16(i < c.name.size() ? static_cast<std::uint8_t>(c.name[i]) : 0);
  int major = c.major;
  int minor = c.minor;
  if (c.OnePart()) {  // one-part numbers: major 1008-1023 carries the top four bits
    major = 0x3F0 | ((c.major >> 10) & 0x0F);
    minor = c.major & 0x3FF;
  }
  body.Reserved(4);
  body.Bits(static_cast<std::uint32_t>(major), 10);
  body.Bits(static_cast<std::uint32_t>(minor), 10);
  body.U8(ModulationMode(m, c));
  body.U32(0);  // carrier_frequency: zero, as A/65 now asks
  body.U16(c.analog ? c.analogTsid : m.transportStreamId);
  body.U16(c.programNumber);
  body.Bits(0, 2);  // ETM_location: no channel text
  body.Bits(0, 1);  // access_controlled
  body.Bits(c.hidden ? 1 : 0, 1);
  if (cable) {
    body.Bits(0, 1);  // path_select
    body.Bits(0, 1);  // out_of_band
  } else {
    body.Reserved(2);
  }
  body.Bits(c.hideGuide ? 1 : 0, 1);
  body.Reserved(3);
  body.Bits(c.analog ? 0x01 : (c.HasVideo() ? 0x02 : 0x03), 6);
  body.U16(c.sourceId);
  BitWriter descriptors;
  if (!c.analog) {
    descriptors.Append(ExtendedChannelName(c));
    descriptors.Append(ServiceLocation(c));
  }
  body.Reserved(6);
  body.Bits(descriptors.Size(), 10);
  body.Append(descriptors.Data());
  return body.Take();
}

// Room for channel entries in one VCT section: section_length at most 1021,
// less 5 header bytes, 4 CRC bytes, 2 before and 2 after the entries.
constexpr std::size_t kVctEntryRoom = kMaxPsiSectionLength - 5 - 4 - 2 - 2;

}  // namespace

std::vector<Bytes> BuildVct(const MultiplexDescription& m, std::uint8_t version) {
  // Entries are packed into as many sections as they need.
  std::vector<std::vector<Bytes>> groups(1);
  std::size_t used = 0;
  for (const ChannelDescription& c : m.channels) {
    Bytes entry = VctEntry(m, c);
    if (used + entry.size() > kVctEntryRoom && !groups.back().empty()) {
      groups.emplace_back();
      used = 0;
    }
    used += entry.size();
    groups.back().push_back(std::move(entry));
  }
  if (groups.size() > 256) groups.resize(256);
  std::vector<Bytes> sections;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    BitWriter body;
    body.U8(0);  // protocol_version
    body.U8(static_cast<std::uint32_t>(groups[i].size()));
    for (const Bytes& entry : groups[i])
      body.Append(entry);
    body.Reserved(6);
    body.Bits(0, 10);  // additional_descriptors_length
    sections.push_back(LongSection(
        {.tableId = static_cast<std::uint8_t>(m.tables == TableSet::kCvct ? 0xC9 : 0xC8),
         .tableIdExtension = m.transportStreamId,
         .version = version,
         .sectionNumber = static_cast<std::uint8_t>(i),
         .lastSectionNumber = static_cast<std::uint8_t>(groups.size() - 1),
         .privateIndicator = true},
        body.Data()));
  }
  return sections;
}

Bytes BuildEit(const ChannelDescription& c, const std::vector<GuideEvent>& events,
               std::uint8_t version) {
  BitWriter body;
  body.U8(0);  // protocol_version
  body.U8(static_cast<std::uint32_t>(events.size()));
  for (const GuideEvent& e : events) {
    body.Reserved(2);
    body.Bits(e.eventId, 14);
    body.U32(GpsFromUtc(e.startUtc));
    body.Reserved(2);
    body.Bits(1, 2);  // ETM_location: text in the ETT on this EIT's ETT PID
    body.Bits(e.durationSeconds, 20);
    const Bytes title = e.title.empty() ? Bytes{} : MultipleString(e.title, HuffmanTable::kTitle);
    body.U8(static_cast<std::uint32_t>(title.size()));
    body.Append(title);
    BitWriter descriptors;
    if (!e.rating.empty()) descriptors.Append(ContentAdvisory(e));
    body.Reserved(4);
    body.Bits(descriptors.Size(), 12);
    body.Append(descriptors.Data());
  }
  return LongSection({.tableId = 0xCB,
                      .tableIdExtension = c.sourceId,
                      .version = version,
                      .privateIndicator = true},
                     body.Data());
}

Bytes BuildEtt(const ChannelDescription& c, const GuideEvent& e, std::uint8_t version) {
  BitWriter body;
  body.U8(0);  // protocol_version
  body.U32(EventEtmId(c.sourceId, e.eventId));
  body.Append(
      SimpleMultipleString(e.description, e.descriptionHuffman, HuffmanTable::kDescription));
  // ETT_table_id_extension: the source_id, as receivers match texts to channels by it.
  return LongSection({.tableId = 0xCC,
                      .tableIdExtension = c.sourceId,
                      .version = version,
                      .privateIndicator = true},
                     body.Data());
}

Bytes BuildStt(std::int64_t utc) {
  BitWriter body;
  body.U8(0);  // protocol_version
  body.U32(GpsFromUtc(utc));
  body.U8(kGpsUtcOffset);
  body.Bits(0, 1);  // DS_status
  body.Reserved(2);
  body.Bits(0, 5);  // DS_day_of_month
  body.U8(0);       // DS_hour
  return LongSection(
      {.tableId = 0xCD, .tableIdExtension = 0, .version = 0, .privateIndicator = true},
      body.Data());
}

Bytes BuildMgt(const std::vector<MgtEntry>& entries, std::uint8_t version) {
  BitWriter body;
  body.U8(0);  // protocol_version
  body.U16(static_cast<std::uint32_t>(entries.size()));
  for (const MgtEntry& e : entries) {
    body.U16(e.tableType);
    body.Reserved(3);
    body.Bits(e.pid, 13);
    body.Reserved(3);
    body.Bits(e.version, 5);
    body.U32(e.numberBytes);
    body.Reserved(4);
    body.Bits(0, 12);
  }
  body.Reserved(4);
  body.Bits(0, 12);
  return LongSection(
      {.tableId = 0xC7, .tableIdExtension = 0, .version = version, .privateIndicator = true},
      body.Data());
}

PsipSnapshot BuildPsipSnapshot(const MultiplexDescription& m, std::int64_t utc) {
  PsipSnapshot s;
  s.slotStart = SlotStart(utc);
  s.vct = BuildVct(m, kVctVersion);
  std::uint32_t vctBytes = 0;
  for (const Bytes& section : s.vct)
    vctBytes += static_cast<std::uint32_t>(section.size());
  std::vector<MgtEntry> entries;
  entries.push_back({static_cast<std::uint16_t>(m.tables == TableSet::kCvct ? 0x0002 : 0x0000),
                     kPsipBasePid, kVctVersion, vctBytes});
  std::array<std::uint32_t, kEitCount> eitBytes{};
  std::array<std::uint32_t, kEitCount> ettBytes{};
  for (int k = 0; k < kEitCount; ++k) {
    const std::int64_t slot = s.slotStart + k * kSlotSeconds;
    const std::uint8_t version = SlotVersion(slot);
    for (const ChannelDescription& c : m.channels) {
      if (!HasGuide(c)) continue;
      const std::vector<GuideEvent> events = EventsInSlot(c, slot);
      s.eit[k].push_back(BuildEit(c, events, version));
      eitBytes[k] += static_cast<std::uint32_t>(s.eit[k].back().size());
      for (const GuideEvent& e : events) {
        s.ett[k].push_back(BuildEtt(c, e, version));
        ettBytes[k] += static_cast<std::uint32_t>(s.ett[k].back().size());
      }
    }
  }
  for (int k = 0; k < kEitCount; ++k) {
    entries.push_back({static_cast<std::uint16_t>(0x0100 + k),
                       static_cast<std::uint16_t>(kEitPidBase + k),
                       SlotVersion(s.slotStart + k * kSlotSeconds), eitBytes[k]});
  }
  for (int k = 0; k < kEitCount; ++k) {
    entries.push_back({static_cast<std::uint16_t>(0x0200 + k),
                       static_cast<std::uint16_t>(kEttPidBase + k),
                       SlotVersion(s.slotStart + k * kSlotSeconds), ettBytes[k]});
  }
  s.mgt = BuildMgt(entries, SlotVersion(s.slotStart));
  return s;
}

}  // namespace broadcast

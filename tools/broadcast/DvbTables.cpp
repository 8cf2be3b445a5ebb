#include "tools/broadcast/DvbTables.h"

#include "common/TimeBase.h"

namespace broadcast {
namespace {

constexpr std::int64_t kDaySeconds = 86400;
constexpr std::int64_t kScheduleHorizon = 24 * 3600;

std::uint8_t ServiceType(const ChannelDescription& c) {
  return c.HasVideo() ? 0x01 : 0x02;
}

Bytes ShortEvent(const GuideEvent& e) {
  const std::string name = DvbText(e.titleText);
  const std::string text = DvbText(e.description);
  BitWriter d;
  d.U8(0x4D);
  d.U8(static_cast<std::uint32_t>(3 + 1 + name.size() + 1 + text.size()));
  d.Append("eng");
  d.U8(static_cast<std::uint32_t>(name.size()));
  d.Append(name);
  d.U8(static_cast<std::uint32_t>(text.size()));
  d.Append(text);
  return d.Take();
}

Bytes ParentalRating(const GuideEvent& e) {
  // Minimum age from the US rating of the made-up guide: TV-14 as 14, TV-PG as 10.
  int age = 0;
  if (e.ratingText.rfind("TV-14", 0) == 0) age = 14;
  if (e.ratingText.rfind("TV-PG", 0) == 0) age = 10;
  if (age == 0) return {};
  BitWriter d;
  d.U8(0x55);
  d.U8(4);
  d.Append("DEU");
  d.U8(static_cast<std::uint32_t>(age - 3));
  return d.Take();
}

void WriteEvent(BitWriter& w, const GuideEvent& e, std::int64_t utc) {
  w.U16(e.eventId);
  const std::uint64_t start = DvbUtcTime(e.startUtc);
  w.Bits(start, 40);
  w.U24(BcdTime(e.durationSeconds));
  const bool running = utc >= e.startUtc && utc < e.startUtc + e.durationSeconds;
  w.Bits(running ? 4 : 1, 3);  // running_status: running / not running
  w.Bits(0, 1);                // free_CA_mode
  BitWriter descriptors;
  if (!e.titleText.empty() || !e.description.empty()) descriptors.Append(ShortEvent(e));
  descriptors.Append(ParentalRating(e));
  w.Bits(descriptors.Size(), 12);
  w.Append(descriptors.Data());
}

Bytes EitSection(const MultiplexDescription& m, const ChannelDescription& c, std::uint8_t tableId,
                 std::uint8_t version, std::uint8_t section, std::uint8_t lastSection,
                 std::uint8_t segmentLast, const std::vector<GuideEvent>& events,
                 std::int64_t utc) {
  BitWriter body;
  body.U16(m.transportStreamId);
  body.U16(m.originalNetworkId);
  body.U8(segmentLast);
  body.U8(tableId);  // last_table_id
  for (const GuideEvent& e : events)
    WriteEvent(body, e, utc);
  return LongSection({.tableId = tableId,
                      .tableIdExtension = c.programNumber,
                      .version = version,
                      .sectionNumber = section,
                      .lastSectionNumber = lastSection,
                      .privateIndicator = true},
                     body.Data());
}

std::vector<GuideEvent> EventsBetween(const ChannelDescription& c, std::int64_t from,
                                      std::int64_t to) {
  std::vector<GuideEvent> out;
  for (std::int64_t slot = SlotStart(from); slot < to; slot += kSlotSeconds) {
    for (GuideEvent& e : EventsInSlot(c, slot))
      if (e.startUtc + e.durationSeconds > from && e.startUtc < to) out.push_back(std::move(e));
  }
  return out;
}

}  // namespace

std::uint16_t ModifiedJulianDate(std::int64_t utc) {
  return static_cast<std::uint16_t>(common::FloorDiv(utc, kDaySeconds) + 40587);
}

std::uint32_t BcdTime(std::uint32_t seconds) {
  const std::uint32_t h = seconds / 3600 % 100;
  const std::uint32_t m = seconds / 60 % 60;
  const std::uint32_t s = seconds % 60;
  return (h / 10) << 20 | (h % 10) << 16 | (m / 10) << 12 | (m % 10) << 8 | (s / 10) << 4 | s % 10;
}

std::uint64_t DvbUtcTime(std::int64_t utc) {
  const auto ofDay = static_cast<std::uint32_t>(common::FloorMod(utc, kDaySeconds));
  return std::uint64_t{ModifiedJulianDate(utc)} << 24 | BcdTime(ofDay);
}

std::string DvbText(const std::string& latin1) {
  for (const char ch : latin1) {
    if (static_cast<unsigned char>(ch) >= 0x80) return std::string("\x10\x00\x01", 3) + latin1;
  }
  return latin1;
}

Bytes BuildNit(const MultiplexDescription& m, std::uint8_t version) {
  BitWriter body;
  BitWriter network;
  network.U8(0x40);  // network_name_descriptor
  network.U8(static_cast<std::uint32_t>(m.networkName.size()));
  network.Append(m.networkName);
  body.Reserved(4);
  body.Bits(network.Size(), 12);
  body.Append(network.Data());
  BitWriter services;
  services.U8(0x41);  // service_list_descriptor
  std::size_t count = 0;
  for (const ChannelDescription& c : m.channels)
    count += c.analog ? 0 : 1;
  services.U8(static_cast<std::uint32_t>(3 * count));
  for (const ChannelDescription& c : m.channels) {
    if (c.analog) continue;
    services.U16(c.programNumber);
    services.U8(ServiceType(c));
  }
  body.Reserved(4);
  body.Bits(6 + services.Size(), 12);  // transport_stream_loop_length
  body.U16(m.transportStreamId);
  body.U16(m.originalNetworkId);
  body.Reserved(4);
  body.Bits(services.Size(), 12);
  body.Append(services.Data());
  return LongSection({.tableId = 0x40,
                      .tableIdExtension = m.networkId,
                      .version = version,
                      .privateIndicator = true},
                     body.Data());
}

Bytes BuildSdt(const MultiplexDescription& m, std::uint8_t version) {
  BitWriter body;
  body.U16(m.originalNetworkId);
  body.U8(0xFF);  // reserved_future_use
  for (const ChannelDescription& c : m.channels) {
    if (c.analog) continue;
    body.U16(c.programNumber);
    body.Reserved(6);
    body.Bits(1, 1);  // EIT_schedule_flag
    body.Bits(1, 1);  // EIT_present_following_flag
    BitWriter d;
    const std::string provider = DvbText(m.networkName);
    const std::string name = DvbText(c.name);
    d.U8(0x48);
    d.U8(static_cast<std::uint32_t>(3 + provider.size() + name.size()));
    d.U8(ServiceType(c));
    d.U8(static_cast<std::uint32_t>(provider.size()));
    d.Append(provider);
    d.U8(static_cast<std::uint32_t>(name.size()));
    d.Append(name);
    body.Bits(4, 3);  // running_status: running
    body.Bits(0, 1);  // free_CA_mode
    body.Bits(d.Size(), 12);
    body.Append(d.Data());
  }
  return LongSection({.tableId = 0x42,
                      .tableIdExtension = m.transportStreamId,
                      .version = version,
                      .privateIndicator = true},
                     body.Data());
}

std::vector<Bytes> BuildEitPresentFollowing(const MultiplexDescription& m,
                                            const ChannelDescription& c, std::int64_t utc) {
  const GuideEvent present = EventAt(c, utc);
  const GuideEvent following = EventAt(c, present.startUtc + present.durationSeconds);
  // The version moves on with the present event.
  const auto version = static_cast<std::uint8_t>(common::FloorMod(present.startUtc / 60, 32));
  return {EitSection(m, c, 0x4E, version, 0, 1, 1, {present}, utc),
          EitSection(m, c, 0x4E, version, 1, 1, 1, {following}, utc)};
}

std::vector<Bytes> BuildEitSchedule(const MultiplexDescription& m, const ChannelDescription& c,
                                    std::int64_t utc) {
  const std::int64_t midnight = common::FloorDiv(utc, kDaySeconds) * kDaySeconds;
  const auto version =
      static_cast<std::uint8_t>(common::FloorMod(SlotStart(utc) / kSlotSeconds, 32));
  const int current = static_cast<int>((utc - midnight) / kSlotSeconds);
  const int lastSegment = static_cast<int>((utc + kScheduleHorizon - midnight) / kSlotSeconds);
  const auto lastSection = static_cast<std::uint8_t>(lastSegment * 8);
  std::vector<Bytes> sections;
  for (int segment = 0; segment <= lastSegment; ++segment) {
    const auto number = static_cast<std::uint8_t>(segment * 8);
    std::vector<GuideEvent> events;
    if (segment >= current) {
      const std::int64_t from = midnight + segment * kSlotSeconds;
      for (GuideEvent& e : EventsBetween(c, from, from + kSlotSeconds))
        if (e.startUtc >= from || segment == current) events.push_back(std::move(e));
    }
    sections.push_back(EitSection(m, c, 0x50, version, number, lastSection, number, events, utc));
  }
  return sections;
}

Bytes BuildTdt(std::int64_t utc) {
  BitWriter body;
  body.Bits(DvbUtcTime(utc), 40);
  return ShortSection(0x70, true, body.Data());
}

}  // namespace broadcast

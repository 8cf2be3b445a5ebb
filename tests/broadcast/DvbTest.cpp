// DVB SI of a COFDM multiplex: MJD/BCD times, SDT, EIT present/following and
// schedule, TDT, read back with the tests' own reader.
#include <gtest/gtest.h>

#include <ctime>

#include "common/ByteReader.h"
#include "tests/broadcast/TestSupport.h"
#include "tests/broadcast/TsReader.h"
#include "tests/support/TimeZone.h"
#include "tools/broadcast/DvbTables.h"
#include "tools/broadcast/GuideContent.h"

namespace broadcast::test {
namespace {

std::int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
  return testsupport::UtcSeconds(year, month, day, hour, minute, second);
}

// UTC seconds from the 40-bit field, by the conversion of EN 300 468 Annex C
// (MJD to year, month, day), independent of the encoder's arithmetic.
std::int64_t FromDvbTime(std::uint64_t field) {
  const double mjd = static_cast<double>(field >> 24);
  const int yp = static_cast<int>((mjd - 15078.2) / 365.25);
  const int mp = static_cast<int>((mjd - 14956.1 - static_cast<int>(yp * 365.25)) / 30.6001);
  const int day = static_cast<int>(mjd) - 14956 - static_cast<int>(yp * 365.25) -
                  static_cast<int>(mp * 30.6001);
  const int k = (mp == 14 || mp == 15) ? 1 : 0;
  const int year = 1900 + yp + k;
  const int month = mp - 1 - k * 12;
  auto bcd = [&](int shift) {
    const auto v = static_cast<int>((field >> shift) & 0xFF);
    return (v >> 4) * 10 + (v & 0x0F);
  };
  return Utc(year, month, day, bcd(16), bcd(8), bcd(0));
}

TEST(DvbTime, KnownDatesAsMjdAndBcd) {
  // The standard's own example: 1993-10-13 12:45:00 is 0xC079124500.
  EXPECT_EQ(DvbUtcTime(Utc(1993, 10, 13, 12, 45, 0)), 0xC079124500ull);
  EXPECT_EQ(ModifiedJulianDate(0), 40587);
  EXPECT_EQ(ModifiedJulianDate(Utc(2000, 2, 29, 23, 59, 59)), 51603);
  EXPECT_EQ(BcdTime(5400), 0x013000u);  // a 90-minute duration
  EXPECT_EQ(BcdTime(23 * 3600 + 59 * 60 + 59), 0x235959u);
  for (const std::int64_t t : {Utc(2026, 12, 7, 22, 40, 10), Utc(2024, 2, 29, 0, 0, 0),
                               Utc(2038, 1, 19, 3, 14, 8), Utc(1999, 12, 31, 23, 59, 59)}) {
    EXPECT_EQ(FromDvbTime(DvbUtcTime(t)), t);
  }
}

TEST(DvbText, SelectsLatin1OnlyWhenNeeded) {
  EXPECT_EQ(DvbText("News"), "News");
  EXPECT_EQ(DvbText("Caf\xE9"), std::string("\x10\x00\x01"
                                            "Caf\xE9",
                                            7));
}

struct DvbCapture {
  MultiplexDescription description;
  TsReport report;
};

const DvbCapture& Dvb() {
  static const DvbCapture c = [] {
    DvbCapture c;
    c.description = ParseOne(R"(multiplex eu 21 cofdm synthetic E
  tsid 0x0415
  onid 0x2000
  nid 0x3001
  network Net
  channel 1 program=1 name="Eins TV" guide=news
  channel 3 program=3 name=Radio no-video guide=music
)");
    std::string error;
    auto mux = Multiplex::Create(c.description, TestOptions(), error);
    EXPECT_TRUE(mux) << error;
    Bytes ts(static_cast<std::size_t>(5.5 * static_cast<double>(mux->BitRate()) / 1504) * 188);
    mux->Read(ts);
    c.report = ReadTransportStream(ts, {0x00, 0x10, 0x11, 0x12, 0x14, 0x30, 0x50});
    return c;
  }();
  return c;
}

TEST(DvbSi, ServiceDescriptionNamesEveryService) {
  const TsReport& r = Dvb().report;
  EXPECT_TRUE(r.faults.empty());
  EXPECT_EQ(r.badCrc, 0u);
  const Bytes& sdt = r.sections.at(0x11).front();
  ASSERT_EQ(sdt[0], 0x42);
  common::ByteReader reader(sdt);
  reader.Skip(3);
  EXPECT_EQ(reader.U16(), 0x0415);
  reader.Skip(3);
  EXPECT_EQ(reader.U16(), 0x2000);
  reader.U8();
  std::vector<std::pair<int, std::string>> services;
  while (reader.Remaining() > 4) {
    const int id = reader.U16();
    const int flags = reader.U8();
    EXPECT_EQ(flags & 0x03, 0x03);  // schedule and present/following announced
    const auto loop = reader.U16();
    auto d = reader.Sub(loop & 0x0FFF);
    EXPECT_EQ(d.U8(), 0x48);
    d.U8();
    const int type = d.U8();
    d.Skip(d.U8());
    const auto name = d.Bytes(d.U8());
    services.push_back({id * 16 + type, std::string(name.begin(), name.end())});
  }
  EXPECT_EQ(services, (std::vector<std::pair<int, std::string>>{{1 * 16 + 1, "Eins TV"},
                                                                {3 * 16 + 2, "Radio"}}));
  // PAT lists the NIT as programme 0.
  const Bytes& pat = r.sections.at(0).front();
  EXPECT_EQ(pat[8] << 8 | pat[9], 0);
  EXPECT_EQ((pat[10] << 8 | pat[11]) & 0x1FFF, 0x10);
  EXPECT_EQ(r.sections.at(0x10).front()[0], 0x40);
}

struct DvbEvent {
  int id = 0;
  std::int64_t start = 0;
  std::uint32_t duration = 0;
  int running = 0;
  std::string name;
};

std::vector<DvbEvent> ReadEvents(const Bytes& s) {
  common::ByteReader r(s);
  r.Skip(14);
  std::vector<DvbEvent> out;
  while (r.Remaining() > 4) {
    DvbEvent e;
    e.id = r.U16();
    e.start = FromDvbTime(r.Bits(40));
    const std::uint32_t d = r.U24();
    e.duration = ((d >> 20) * 10 + (d >> 16 & 15)) * 3600 +
                 ((d >> 12 & 15) * 10 + (d >> 8 & 15)) * 60 + (d >> 4 & 15) * 10 + (d & 15);
    e.running = static_cast<int>(r.Bits(3));
    r.Bits(1);
    auto descriptors = r.Sub(r.Bits(12));
    while (descriptors.Remaining() >= 2) {
      const int tag = descriptors.U8();
      auto body = descriptors.Sub(descriptors.U8());
      if (tag != 0x4D) continue;
      body.Skip(3);
      const auto name = body.Bytes(body.U8());
      e.name.assign(name.begin(), name.end());
    }
    out.push_back(e);
  }
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(r.Remaining(), 4u);  // the event loop ends on the CRC
  return out;
}

TEST(DvbSi, PresentFollowingShowsTheEventOnTheAir) {
  const DvbCapture& c = Dvb();
  const ChannelDescription& channel = c.description.channels[0];
  bool present = false, following = false;
  for (const Bytes& s : c.report.sections.at(0x12)) {
    if (s[0] != 0x4E || (s[3] << 8 | s[4]) != 1) continue;
    const auto events = ReadEvents(s);
    ASSERT_EQ(events.size(), 1u);
    const GuideEvent now = EventAt(channel, kTestUtc);
    if (s[6] == 0) {
      present = true;
      EXPECT_EQ(events[0].start, now.startUtc);
      EXPECT_EQ(events[0].duration, now.durationSeconds);
      EXPECT_EQ(events[0].running, 4);
      EXPECT_EQ(events[0].name, now.titleText);
    } else {
      following = true;
      EXPECT_EQ(events[0].start, now.startUtc + now.durationSeconds);
      EXPECT_EQ(events[0].running, 1);
    }
  }
  EXPECT_TRUE(present);
  EXPECT_TRUE(following);
}

TEST(DvbSi, ScheduleCoversTheNextDayInThreeHourSegments) {
  const DvbCapture& c = Dvb();
  std::map<int, std::vector<DvbEvent>> bySection;
  int lastSection = -1;
  for (const Bytes& s : c.report.sections.at(0x12)) {
    if (s[0] != 0x50 || (s[3] << 8 | s[4]) != 3) continue;
    bySection[s[6]] = ReadEvents(s);
    lastSection = s[7];
    EXPECT_EQ(s[12], s[6]);  // segment_last_section_number: one section per segment
  }
  ASSERT_EQ(static_cast<int>(bySection.size()), lastSection / 8 + 1);
  std::int64_t covered = 0;
  std::int64_t previousEnd = 0;
  for (const auto& [section, events] : bySection) {
    EXPECT_EQ(section % 8, 0);
    for (const DvbEvent& e : events) {
      const std::int64_t midnight = kTestUtc / 86400 * 86400;
      EXPECT_EQ((e.start - midnight) / kSlotSeconds, section / 8);  // in its segment
      if (previousEnd) {
        EXPECT_EQ(e.start, previousEnd);
      }
      previousEnd = e.start + e.duration;
      covered += e.duration;
    }
  }
  EXPECT_GE(previousEnd, kTestUtc + 24 * 3600);
  EXPECT_GE(covered, 24 * 3600);
}

TEST(DvbSi, TimeAndDateTableTellsTheStreamTime) {
  const auto& tdts = Dvb().report.sections.at(0x14);
  ASSERT_GE(tdts.size(), 2u);  // every five seconds
  for (std::size_t i = 0; i < tdts.size(); ++i) {
    ASSERT_EQ(tdts[i].size(), 8u);
    std::uint64_t field = 0;
    for (int k = 3; k < 8; ++k)
      field = field << 8 | tdts[i][k];
    EXPECT_EQ(FromDvbTime(field), kTestUtc + 5 * static_cast<std::int64_t>(i));
  }
}

}  // namespace
}  // namespace broadcast::test

#include <ctime>

#include "common/Utf16.h"
#include "tables/dvb/DvbTime.h"
#include "tests/support/TimeZone.h"
#include "tests/tables/TablesFixture.h"

namespace tables::test {
namespace {

std::int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
  return testsupport::UtcSeconds(year, month, day, hour, minute, second);
}

unsigned Mjd(int year, int month, int day) {
  return static_cast<unsigned>(Utc(year, month, day, 0, 0, 0) / 86400 + 40587);
}

unsigned Bcd(int hour, int minute, int second) {
  auto two = [](int v) { return static_cast<unsigned>((v / 10) << 4 | (v % 10)); };
  return two(hour) << 16 | two(minute) << 8 | two(second);
}

TEST(DvbTimeTest, BcdAndMjdNameTheUtcInstant) {
  EXPECT_EQ(BcdSeconds(0x124500), 12u * 3600 + 45 * 60);
  EXPECT_EQ(BcdSeconds(0x015945), 3600u + 59 * 60 + 45);
  // The example date of EN 300 468: 0xC079 0x124500 is 1993-10-13 12:45:00.
  EXPECT_EQ(DvbUnixTime(0xC079, 0x124500), Utc(1993, 10, 13, 12, 45, 0));
  // Past 1995 MJD × 86400 no longer fits 32 bits; the arithmetic still holds.
  EXPECT_EQ(DvbUnixTime(Mjd(2026, 12, 7), Bcd(22, 10, 5)), Utc(2026, 12, 7, 22, 10, 5));
}

TEST(DvbTimeTest, StartIsTheNamedInstantRoundedInGpsSeconds) {
  const unsigned mjd = Mjd(2026, 3, 1);
  EXPECT_EQ(DvbEventStart(mjd, Bcd(20, 0, 29)), Utc(2026, 3, 1, 20, 0, 0) - 315964800);
  EXPECT_EQ(DvbEventStart(mjd, Bcd(20, 0, 30)), Utc(2026, 3, 1, 20, 1, 0) - 315964800);
  EXPECT_EQ(DvbEventStart(mjd, Bcd(23, 59, 45)), Utc(2026, 3, 2, 0, 0, 0) - 315964800);
}

struct DvbEvent {
  unsigned eventId;
  unsigned mjd;
  unsigned start;
  unsigned duration;
  std::string_view name;
};

Bytes ShortEvent(std::string_view name) {
  Bytes d{0x4D, 0, 'e', 'n', 'g', static_cast<std::uint8_t>(name.size())};
  d.insert(d.end(), name.begin(), name.end());
  d.push_back(0);  // text_length
  d[1] = static_cast<std::uint8_t>(d.size() - 2);
  return d;
}

Bytes DvbEit(unsigned serviceId, unsigned version, std::initializer_list<DvbEvent> events,
             bool current = true) {
  Bytes body;
  Put16(body, 0x0001);  // transport_stream_id
  Put16(body, 0x2000);  // original_network_id
  body.push_back(0);    // segment_last_section_number
  body.push_back(0x4E);
  for (const auto& e : events) {
    Put16(body, e.eventId);
    Put16(body, e.mjd);
    Put24(body, e.start);
    Put24(body, e.duration);
    const Bytes d = ShortEvent(e.name);
    Put16(body, 0x8000 | static_cast<unsigned>(d.size()));
    Append(body, d);
  }
  return LongSection(0x4E, serviceId, version, body, 0, 0, current);
}

using DvbEitTest = TablesFixture;

TEST_F(DvbEitTest, EventsGoToChannelsOfTheServiceWithoutMinor) {
  tuning::ChannelNode& dvb = AddChannel(34, 0, 1, 0, 0x0101);
  tuning::ChannelNode& withMinor = AddChannel(34, 1, 2, 0, 0x0101);
  tuning::ChannelNode& otherService = AddChannel(34, 0, 3, 0, 0x0102);

  const unsigned mjd = Mjd(2026, 3, 1);
  ASSERT_TRUE(Dispatch(DvbEit(0x0101, 4,
                              {{0x1234, mjd, Bcd(20, 0, 0), Bcd(0, 45, 0), "News"},
                               {0x1235, mjd, Bcd(20, 45, 0), Bcd(1, 30, 0), "Film"}}),
                       Tag(34, 0x12, 4, 0x80)));

  ASSERT_EQ(dvb.events.size(), 2u);
  const GuideEvent& news = dvb.events.begin()->second;
  EXPECT_EQ(news.start, Utc(2026, 3, 1, 20, 0, 0) - 315964800);
  EXPECT_EQ(news.duration, 45u * 60);
  EXPECT_EQ(news.eventId, 0x1234);
  EXPECT_EQ(news.version, 4);
  EXPECT_EQ(news.sourcePid, 0x12);
  EXPECT_EQ(common::FieldView(news.title), u"News");
  EXPECT_TRUE(withMinor.events.empty());
  EXPECT_TRUE(otherService.events.empty());
  EXPECT_EQ(store_.size(), 1u);
}

TEST_F(DvbEitTest, DuplicateStartIsIgnoredWhateverItsTitle) {
  tuning::ChannelNode& dvb = AddChannel(34, 0, 1, 0, 7);
  const unsigned mjd = Mjd(2026, 3, 1);
  ASSERT_TRUE(
      Dispatch(DvbEit(7, 1, {{1, mjd, Bcd(6, 0, 0), Bcd(0, 30, 0), "Early"}}), Tag(34, 0x12)));
  // 06:00:20 rounds to the same minute.
  ASSERT_TRUE(
      Dispatch(DvbEit(7, 2, {{2, mjd, Bcd(6, 0, 20), Bcd(0, 30, 0), "Other"}}), Tag(34, 0x12)));
  ASSERT_EQ(dvb.events.size(), 1u);
  EXPECT_EQ(common::FieldView(dvb.events.begin()->second.title), u"Early");
}

TEST_F(DvbEitTest, FailedCheckSkipsEventsButStores) {
  tuning::ChannelNode& dvb = AddChannel(34, 0, 1, 0, 7);
  const unsigned mjd = Mjd(2026, 3, 1);
  EXPECT_TRUE(Dispatch(DvbEit(7, 1, {{1, mjd, Bcd(6, 0, 0), Bcd(0, 30, 0), "Next"}}, false),
                       Tag(34, 0x12)));
  EXPECT_TRUE(dvb.events.empty());
  EXPECT_EQ(store_.size(), 1u);

  // An event loop that runs past the CRC.
  Bytes broken = DvbEit(7, 3, {{1, mjd, Bcd(7, 0, 0), Bcd(0, 30, 0), "Bad"}});
  broken[14 + 10] = 0x8F;  // descriptors_loop_length far too long
  broken[14 + 11] = 0xFF;
  const std::uint32_t crc = common::Crc32Mpeg2(std::span(broken).first(broken.size() - 4));
  broken[broken.size() - 4] = static_cast<std::uint8_t>(crc >> 24);
  broken[broken.size() - 3] = static_cast<std::uint8_t>(crc >> 16);
  broken[broken.size() - 2] = static_cast<std::uint8_t>(crc >> 8);
  broken[broken.size() - 1] = static_cast<std::uint8_t>(crc);
  EXPECT_TRUE(Dispatch(broken, Tag(34, 0x12)));
  EXPECT_TRUE(dvb.events.empty());
}

}  // namespace
}  // namespace tables::test

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/Utf16.h"
#include "tables/guide/GuideStore.h"
#include "tests/support/Bytes.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TimeZone.h"
#include "tests/tables/TablesFixture.h"

namespace tables::test {
namespace {

constexpr std::int64_t kGps = 315964800;

class GuideStoreTest : public TablesFixture {
 protected:
  void SetUp() override {
    channel_ = &AddChannel(7, 1, 7, 0x8003);
    common::SetField(channel_->record.name, u"KABC");
  }

  // UTC seconds of a local New York time.
  static std::int64_t Local(int year, int month, int day, int hour, int minute) {
    return testsupport::LocalSeconds(year, month, day, hour, minute);
  }

  GuideEvent& AddEvent(std::int64_t startUtc, std::uint32_t duration, std::u16string_view title,
                       std::uint16_t eventId = 1, const char* rating = "") {
    GuideEvent e;
    e.start = static_cast<std::uint32_t>(startUtc - kGps);
    e.duration = duration;
    e.sourceId = channel_->record.sourceId;
    e.eventId = eventId;
    common::SetField(e.title, title);
    std::snprintf(e.rating, sizeof e.rating, "%s", rating);
    return channel_->events.Insert(GuideEventKey(e.start), e);
  }

  tuning::ChannelNode* channel_ = nullptr;
  testsupport::ScopedTimeZone zone_{"America/New_York"};
};

TEST_F(GuideStoreTest, TimeLineUsesTwelveHourClockAndRating) {
  const std::int64_t start = Local(2026, 1, 15, 12, 5);
  AddEvent(start, 30 * 60, u"Noon News", 1, "TV-PG,L");
  NowPlayingInfo info;
  BuildNowPlaying(channels_, info, channel_->key1(), channel_->key2(), 77, start + 60);
  EXPECT_EQ(common::FieldView(info.timeLine), u"12:05 PM - 12:35 PM  TV-PG,L");
  EXPECT_EQ(common::FieldView(info.title), u"Noon News");
  EXPECT_EQ(common::FieldView(info.shortName), u"KABC");
  EXPECT_EQ(info.physical, 7);
  EXPECT_EQ(info.major, 7);
  EXPECT_EQ(info.minor, 1);
  EXPECT_EQ(info.signalQuality, 77);

  channel_->events.Clear();
  const std::int64_t late = Local(2026, 7, 4, 23, 40);  // daylight time, ends after midnight
  AddEvent(late, 30 * 60, u"Late");
  BuildNowPlaying(channels_, info, channel_->key1(), channel_->key2(), 0, late);
  EXPECT_EQ(common::FieldView(info.timeLine), u"11:40 PM - 12:10 AM  ");
}

TEST_F(GuideStoreTest, OverlappingEventsShowTheLaterStart) {
  const std::int64_t start = Local(2026, 1, 15, 20, 0);
  AddEvent(start, 3600, u"Long", 1);
  AddEvent(start + 1800, 3600, u"Overlap", 2);
  AddEvent(start + 7200, 3600, u"Later", 3);
  NowPlayingInfo info;
  BuildNowPlaying(channels_, info, channel_->key1(), channel_->key2(), 0, start + 2000);
  EXPECT_EQ(common::FieldView(info.title), u"Overlap");
  BuildNowPlaying(channels_, info, channel_->key1(), channel_->key2(), 0, start + 100);
  EXPECT_EQ(common::FieldView(info.title), u"Long");
  // The end instant itself is no longer on the air.
  BuildNowPlaying(channels_, info, channel_->key1(), channel_->key2(), 0, start + 5400);
  EXPECT_EQ(common::FieldView(info.title), u"");
  EXPECT_EQ(common::FieldView(info.shortName), u"KABC");
}

TEST_F(GuideStoreTest, DescriptionComesFromTheEventEttAndIsCut) {
  channel_->record.sourceId = 0x8123;
  const std::int64_t start = Local(2026, 1, 15, 20, 0);
  AddEvent(start, 3600, u"Film", 0x2FF);
  NowPlayingInfo info;
  BuildNowPlaying(channels_, info, channel_->key1(), channel_->key2(), 0, start);
  EXPECT_EQ(common::FieldView(info.description), u"");

  EventText text;
  text.text = std::u16string(1500, u'x');
  channel_->texts.Insert(EventTextKey(EventEtmId(0x8123, 0x2FF)), text);
  BuildNowPlaying(channels_, info, channel_->key1(), channel_->key2(), 0, start);
  EXPECT_EQ(common::FieldView(info.description).size(), 1023u);
}

TEST_F(GuideStoreTest, UnknownChannelLeavesFieldsEmpty) {
  NowPlayingInfo info;
  common::SetField(info.title, u"stale");
  BuildNowPlaying(channels_, info, 9 | 4 << 8, 9, 0, 0);
  EXPECT_EQ(info.minor, 4);
  EXPECT_EQ(common::FieldView(info.title), u"");
  EXPECT_EQ(common::FieldView(info.shortName), u"");
}

TEST_F(GuideStoreTest, GuideFileIsUtf16WithBomAndCrLf) {
  AddChannel(9, 2, 9, 3);  // no events: header line alone
  const std::int64_t start = Local(2026, 7, 4, 20, 0);
  AddEvent(start, 3600, u"Fireworks", 42);
  channel_->events.begin()->second.version = 0x1A;

  const testsupport::TempFolder folder("corvane-guide");
  EXPECT_FALSE(DumpGuide(channels_, folder.Path()));
  const std::string bytes = testsupport::ReadText(folder / "Guide.txt");

  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  const std::u16string expected =
      u" 7.1  KABC     source_id:0x00008003\r\n"
      u"  2026-07-04 20:00:00 dst-2026-07-04 21:00:00 dst Fireworks" +
      std::u16string(48 - 9, u' ') + u" id:   42 ver:0x1A\r\n" +
      u" 9.2           source_id:0x00000003\r\n";
  EXPECT_EQ(common::ToUtf8(text), common::ToUtf8(expected));
}

TEST_F(GuideStoreTest, GuideFileThatCannotBeWrittenIsReported) {
  AddChannel(9, 2, 9, 3);
  const auto folder = std::filesystem::temp_directory_path() / "corvane-guide-missing-folder";
  std::filesystem::remove_all(folder);
  EXPECT_TRUE(DumpGuide(channels_, folder));
  EXPECT_FALSE(std::filesystem::exists(folder));
}

}  // namespace
}  // namespace tables::test

#include <string>

#include "common/Utf16.h"
#include "tables/psip/RatingText.h"
#include "tests/tables/TablesFixture.h"

namespace tables::test {
namespace {

class PsipEventTest : public TablesFixture {
 protected:
  void SetUp() override {
    channel_ = &AddChannel(7, 1, 7, 0x8003);
    AddChannel(9, 1, 9, 0x8003);  // same source on another physical channel
  }
  tuning::ChannelNode* channel_ = nullptr;
};

TEST_F(PsipEventTest, EventsFiledWithRoundedStartAndNoTitleText) {
  const Bytes eit =
      Eit(0x8003, 5,
          {{.eventId = 0x101, .start = 1'300'000'029, .length = 1800, .title = "News"},
           {.eventId = 0x102, .start = 1'300'001'830, .length = 3600, .title = ""}});
  ASSERT_TRUE(Dispatch(eit, Tag(7, 0x1D00)));
  ASSERT_EQ(channel_->events.size(), 2u);
  auto it = channel_->events.begin();
  EXPECT_EQ(it->second.start, 1'300'000'020u - 1'300'000'020u % 60);
  EXPECT_EQ(it->second.start % 60, 0u);
  EXPECT_EQ(it->second.sourceId, 0x8003);
  EXPECT_EQ(it->second.eventId, 0x101);
  EXPECT_EQ(it->second.version, 5);
  EXPECT_EQ(it->second.sourcePid, 0x1D00);
  EXPECT_EQ(it->second.duration, 1800u);
  EXPECT_EQ(common::FieldView(it->second.title), u"News");
  ++it;
  EXPECT_EQ(it->second.start, (1'300'001'830u + 30) / 60 * 60);
  EXPECT_EQ(common::FieldView(it->second.title), u"(No Title)");
  // Only the physical channel the section came from.
  EXPECT_TRUE(std::next(channels_.begin())->second.events.empty());
}

TEST_F(PsipEventTest, DuplicateStartIgnored) {
  ASSERT_TRUE(
      Dispatch(Eit(0x8003, 1, {{.eventId = 1, .start = 600000, .length = 60, .title = "A"}}),
               Tag(7, 0x1D00)));
  ASSERT_TRUE(
      Dispatch(Eit(0x8003, 2, {{.eventId = 2, .start = 600010, .length = 60, .title = "B"}}),
               Tag(7, 0x1D00)));
  ASSERT_EQ(channel_->events.size(), 1u);
  EXPECT_EQ(common::FieldView(channel_->events.begin()->second.title), u"A");
}

TEST_F(PsipEventTest, MultiSectionEitDroppedWhole) {
  EXPECT_FALSE(
      Dispatch(Eit(0x8003, 1, {{.eventId = 1, .start = 600000, .length = 60, .title = "A"}}, 1, 1),
               Tag(7, 0x1D00)));
  EXPECT_FALSE(
      Dispatch(Eit(0x8003, 1, {{.eventId = 1, .start = 600000, .length = 60, .title = "A"}}, 0, 1),
               Tag(7, 0x1D00)));
  EXPECT_TRUE(channel_->events.empty());
  EXPECT_EQ(store_.size(), 0u);
}

TEST_F(PsipEventTest, RatingFromContentAdvisory) {
  ASSERT_TRUE(Dispatch(Eit(0x8003, 1,
                           {{.eventId = 1,
                             .start = 600000,
                             .length = 60,
                             .title = "A",
                             .descriptors = ContentAdvisory({{0, 3}, {2, 1}})}}),
                       Tag(7, 0x1D00)));
  EXPECT_STREQ(channel_->events.begin()->second.rating, "TV-PG,L");
}

TEST_F(PsipEventTest, EttReplacesByEtmIdWhateverItsVersion) {
  const std::uint32_t etm = EventEtmId(0x8003, 0x101);
  // table_id_extension 0: the source is taken from the ETM_id.
  ASSERT_TRUE(Dispatch(Ett(0, 5, etm, "First text"), Tag(7, 0x1E00)));
  ASSERT_TRUE(Dispatch(Ett(0, 2, etm, "Second text"), Tag(7, 0x1E00)));
  ASSERT_EQ(channel_->texts.size(), 1u);
  const EventText* text = channel_->texts.Find(EventTextKey(etm));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text, u"Second text");
  EXPECT_EQ(text->version, 2);
  EXPECT_TRUE(std::next(channels_.begin())->second.texts.empty());

  // Too short to hold a text: dropped.
  const Bytes tiny{0xCC, 0xB0, 0x0E, 0, 0, 0xC1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(Dispatch(tiny, Tag(7, 0x1E00)));
}

TEST_F(PsipEventTest, SttSetsTimeAndOffsetOnThePhysicalChannel) {
  ASSERT_TRUE(Dispatch(Stt(1'400'000'000u, 18), Tag(7, 0x1FFB)));
  EXPECT_EQ(graph_.sttTime, 1'400'000'000u);
  EXPECT_EQ(channel_->record.systemTime, 1'400'000'000u);
  EXPECT_EQ(channel_->record.utcOffset, 18);
  EXPECT_EQ(std::next(channels_.begin())->second.record.systemTime, 0u);

  const Bytes shortStt{0xCD, 0xB0, 0x0E, 0, 0, 0xC1, 0, 0, 0, 0x50, 0, 0, 0, 18, 0, 0, 0};
  EXPECT_FALSE(Dispatch(shortStt, Tag(7, 0x1FFB)));
  EXPECT_EQ(graph_.sttTime, 1'400'000'000u);
}

TEST(RatingTextTest, RegionsRunTogetherAndTextStopsAt31) {
  char out[32];
  Bytes loop = ContentAdvisory({{0, 4}, {1, 1}, {3, 1}, {4, 1}});
  ContentAdvisoryText(loop, out);
  EXPECT_STREQ(out, "TV-14,D,S,V");

  // Unknown dimension or value adds nothing but keeps its comma.
  loop = ContentAdvisory({{9, 1}, {7, 4}, {0, 0}});
  ContentAdvisoryText(loop, out);
  EXPECT_STREQ(out, ",PG-13,");

  // Two advisories in the loop: no separator between them.
  loop = ContentAdvisory({{5, 2}});
  Append(loop, ContentAdvisory({{6, 1}}));
  ContentAdvisoryText(loop, out);
  EXPECT_STREQ(out, "TV-Y7FV");

  loop.clear();
  for (int i = 0; i < 8; ++i)
    Append(loop, ContentAdvisory({{7, 6}, {7, 4}}));  // "NC-17,PG-13"
  ContentAdvisoryText(loop, out);
  EXPECT_EQ(std::string(out).size(), 31u);
  EXPECT_EQ(std::string(out).substr(0, 11), "NC-17,PG-13");
}

}  // namespace
}  // namespace tables::test

#include "common/Utf16.h"
#include "tables/psip/PsipTables.h"
#include "tests/tables/TablesFixture.h"

namespace tables::test {
namespace {

TEST(VctNumberingTest, TwoPartAndOnePartKeys) {
  const ChannelKeys twoPart = VctChannelKeys(7, 7, 2);
  EXPECT_EQ(twoPart.key1, 7u | 2u << 8);
  EXPECT_EQ(twoPart.key2, 7u);

  // Major 1008-1023 is the one-part form: (major & 0x0F) << 10 | minor.
  const ChannelKeys onePart = VctChannelKeys(30, 1010, 5);
  EXPECT_EQ(onePart.key1, 30u);
  EXPECT_EQ(onePart.key2, 2u << 10 | 5u);
  EXPECT_EQ(VctChannelKeys(30, 1008, 0).key2, 0u);
  EXPECT_EQ(VctChannelKeys(30, 1007, 3).key2, 1007u);  // just below the range: two-part
}

class VctTest : public TablesFixture {
 protected:
  void SetUp() override { graph_.scanRunning = 1; }

  // PAT and PMT of programme 3 on PMT PID 0x30 as received on physical 7.
  void SendStreams(unsigned patVersion, unsigned pmtPid, unsigned pmtVersion, unsigned audioPid,
                   const SectionTag& where) {
    ASSERT_TRUE(Dispatch(Pat(0x0801, patVersion, {{0, 0x10}, {3, pmtPid}}),
                         {where.tuningSpace, where.physical, where.modulation, 0}));
    ASSERT_TRUE(Dispatch(
        Pmt(3, pmtVersion, 0x31,
            {{0x06, 0x40}, {0x02, 0x31}, {0x1B, 0x32}, {0x81, audioPid}, {0x81, 0x35}}),
        {where.tuningSpace, where.physical, where.modulation, static_cast<std::uint16_t>(pmtPid)}));
  }

  const SectionTag kHere = Tag(7, 0x1FFB, 1, 0x04);
};

TEST_F(VctTest, ScanCreatesDigitalChannelsFromTheTagAndPmt) {
  SendStreams(0, 0x30, 0, 0x34, kHere);
  ASSERT_TRUE(Dispatch(Vct(0xC9, 0x0801, 6,
                           {{.name = u"ANALOG", .major = 7, .minor = 0, .modulationMode = 1},
                            {.name = u"KABC-HD",
                             .major = 7,
                             .minor = 1,
                             .modulationMode = 3,
                             .programNumber = 3,
                             .sourceId = 0x8003,
                             .carrier = 177000000,
                             .tsid = 0x0801,
                             .serviceType = 2,
                             .hidden = true}}),
                       kHere));
  ASSERT_EQ(channels_.size(), 1u);
  const tuning::ChannelRecord& r = channels_.begin()->second.record;
  EXPECT_EQ(common::FieldView(r.name), u"KABC-HD");
  EXPECT_EQ(r.locator.key1, 7u | 1u << 8);
  EXPECT_EQ(r.locator.key2, 7u);
  EXPECT_EQ(r.locator.channelMap, 1);
  EXPECT_EQ(r.locator.modulation, 0x04);
  for (std::uint8_t b : r.locator.reserved)
    EXPECT_EQ(b, 0);
  EXPECT_EQ(r.enabled, 1);
  EXPECT_EQ(r.fromCableVct, 1);
  EXPECT_EQ(r.vctVersion, 6u);
  EXPECT_EQ(r.modulationMode, 3u);
  EXPECT_EQ(r.carrierFrequency, 177000000u);
  EXPECT_EQ(r.sourceId, 0x8003);
  EXPECT_EQ(r.transportStreamId, 0x0801);
  EXPECT_EQ(r.programNumber, 3);
  EXPECT_EQ(r.hidden, 1);
  EXPECT_EQ(r.serviceType, 2);
  EXPECT_EQ(r.videoPid, 0x31);
  EXPECT_EQ(r.videoStreamType, 0x02);
  EXPECT_EQ(r.audioPid, 0x34);
  EXPECT_EQ(r.audioStreamType, 0x81);
  EXPECT_EQ(r.pcrPid, 0x31);
}

TEST_F(VctTest, OnePartChannelAndTerrestrialTable) {
  ASSERT_TRUE(Dispatch(Vct(0xC8, 1, 0, {{.name = u"ONE", .major = 1011, .minor = 20}}), kHere));
  ASSERT_EQ(channels_.size(), 1u);
  const tuning::ChannelRecord& r = channels_.begin()->second.record;
  EXPECT_EQ(r.locator.key1, 7u);
  EXPECT_EQ(r.locator.key2, 3u << 10 | 20u);
  EXPECT_EQ(r.fromCableVct, 0);
  EXPECT_EQ(r.videoPid, -1);  // nothing received yet
  EXPECT_EQ(r.audioPid, -1);
}

TEST_F(VctTest, OutsideAScanUnknownChannelsAreIgnored) {
  graph_.scanRunning = 0;
  EXPECT_TRUE(Dispatch(Vct(0xC8, 1, 0, {{.name = u"NEW", .major = 7, .minor = 1}}), kHere));
  EXPECT_TRUE(channels_.empty());
  EXPECT_EQ(store_.size(), 1u);
}

TEST_F(VctTest, RefreshUpdatesPidsButKeepsEnabledAndIdentity) {
  SendStreams(0, 0x30, 0, 0x34, kHere);
  const Bytes vct =
      Vct(0xC8, 0x0801, 1,
          {{.name = u"KABC", .major = 7, .minor = 1, .programNumber = 3, .sourceId = 3}});
  ASSERT_TRUE(Dispatch(vct, kHere));
  tuning::ChannelNode& node = channels_.begin()->second;
  node.record.enabled = 0;
  node.record.transportStreamId = 0x1111;
  graph_.scanRunning = 0;

  // The broadcaster moves the audio: a new PMT version, then the VCT again.
  SendStreams(0, 0x30, 1, 0x44, kHere);
  ASSERT_TRUE(
      Dispatch(Vct(0xC8, 0x0801, 2,
                   {{.name = u"KABC2", .major = 7, .minor = 1, .programNumber = 3, .sourceId = 3}}),
               kHere));
  EXPECT_EQ(node.record.audioPid, 0x44);
  EXPECT_EQ(node.record.enabled, 0);
  EXPECT_EQ(node.record.transportStreamId, 0x1111);
  EXPECT_EQ(node.record.vctVersion, 2u);
  EXPECT_EQ(common::FieldView(node.record.name), u"KABC2");
}

TEST_F(VctTest, WithoutPmtStoredPidsAreKept) {
  SendStreams(0, 0x30, 0, 0x34, kHere);
  const Bytes vct =
      Vct(0xC8, 0x0801, 1,
          {{.name = u"KABC", .major = 7, .minor = 1, .programNumber = 3, .sourceId = 3}});
  ASSERT_TRUE(Dispatch(vct, kHere));
  store_.Clear();  // as after a restart: the VCT arrives before any PAT/PMT
  ASSERT_TRUE(Dispatch(vct, kHere));
  const tuning::ChannelRecord& r = channels_.begin()->second.record;
  EXPECT_EQ(r.videoPid, 0x31);
  EXPECT_EQ(r.audioPid, 0x34);
}

TEST_F(VctTest, LatestPatAndPmtOfTheSameTagAreUsed) {
  SendStreams(0, 0x30, 0, 0x34, kHere);
  SendStreams(1, 0x50, 0, 0x54, kHere);  // new PAT version moves the PMT
  // The same physical channel on another band plan must not interfere.
  SendStreams(2, 0x60, 0, 0x64, Tag(7, 0, 0, 0x01));
  ASSERT_TRUE(Dispatch(
      Vct(0xC8, 0x0801, 1, {{.name = u"KABC", .major = 7, .minor = 1, .programNumber = 3}}),
      kHere));
  EXPECT_EQ(channels_.begin()->second.record.audioPid, 0x54);
}

TEST_F(VctTest, ChecksDropMalformedTables) {
  Bytes vct = Vct(0xC8, 1, 0, {{.name = u"X", .major = 7, .minor = 1}});
  Bytes notCurrent = LongSection(0xC8, 1, 0, Bytes(vct.begin() + 8, vct.end() - 4), 0, 0, false);
  EXPECT_FALSE(Dispatch(notCurrent, kHere));
  Bytes tooMany = LongSection(0xC8, 1, 0, Bytes(vct.begin() + 8, vct.end() - 4));
  tooMany[9] = 2;  // num_channels_in_section claims a second entry
  EXPECT_FALSE(
      Dispatch(LongSection(0xC8, 1, 0, Bytes(tooMany.begin() + 8, tooMany.end() - 4)), kHere));
  EXPECT_FALSE(
      Dispatch(LongSection(0xC8, 1, 0, Bytes(vct.begin() + 8, vct.end() - 4), 3, 2), kHere));
  EXPECT_TRUE(channels_.empty());
  EXPECT_EQ(store_.size(), 0u);
}

}  // namespace
}  // namespace tables::test

// The sink core end to end: file layout, intake rules for video, audio and
// text, and the concatenated elementary streams found in the packs.
#include <gtest/gtest.h>

#include "filters/sink/Mpeg2SinkCore.h"
#include "filters/sink/PsFormat.h"
#include "tests/sink/SinkFeeder.h"
#include "tests/support/Bytes.h"

namespace filters {
namespace {

using test::DecodedPack;

struct Streams {
  std::vector<std::uint8_t> video, audio, text;
  std::vector<const DecodedPack*> firstOfGroup;
};

Streams Split(const std::vector<DecodedPack>& packs) {
  Streams s;
  for (const auto& p : packs) {
    auto& target = p.streamId == 0xE0 ? s.video : p.streamId == 0xBD ? s.audio : s.text;
    target.insert(target.end(), p.payload.begin(), p.payload.end());
  }
  return s;
}

using testsupport::IsPrefix;

TEST(SinkCore, RecordingFileIsWholePacksWithStartPackAndEndCode) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("rec.lst").c_str(), feeder.clock), FileNameResult::kOpened);
  const auto sent = test::FeedProgramme(feeder, 6.0);
  sink.Stop();
  EXPECT_FALSE(sink.FileOpen());

  const auto file = test::ReadAll(dir.Path() / "rec_0000.mpg");
  ASSERT_GT(file.size(), 100u * 2048);
  ASSERT_EQ(file.size() % 2048, 4u);
  EXPECT_TRUE(std::equal(file.end() - 4, file.end(), std::begin(kProgramEndCode)));
  // First pack: pack header, system header, 2010-byte padding packet.
  EXPECT_EQ(file[17], 0xBB);
  EXPECT_EQ(file[35], 0xBE);
  EXPECT_EQ(file[36] << 8 | file[37], 2010);

  const auto packs = test::DecodeFile(file);
  const Streams got = Split(packs);
  // Everything but the groups still held when the file closed is written, in order.
  EXPECT_TRUE(IsPrefix(got.video, sent.video));
  EXPECT_GT(got.video.size(), sent.video.size() - 20000);
  // Audio starts at the first syncframe, which is the first byte sent here.
  EXPECT_TRUE(IsPrefix(got.audio, sent.audio));
  EXPECT_GT(got.audio.size(), sent.audio.size() - 3 * 1536);
  // A text sample is written when the next one arrives: all but the last.
  EXPECT_EQ(got.text, std::vector<std::uint8_t>(sent.text.begin(), sent.text.end() - 7));

  // SCRs never go backwards; the start pack's SCR is the first data pack's time.
  std::int64_t last = -1;
  for (const auto& p : packs) {
    EXPECT_GE(p.scr, last);
    last = p.scr;
  }
  std::array<std::uint8_t, 2048> start;
  std::copy_n(file.begin(), 2048, start.begin());
  // Reuse the decoder on the pack header alone by reading its SCR fields.
  const std::int64_t startScr =
      ((std::int64_t{start[4] & 0x38} << 27) | (std::int64_t{start[4] & 3} << 28) |
       (std::int64_t{start[5]} << 20) | (std::int64_t{start[6] & 0xF8} << 12) |
       (std::int64_t{start[6] & 3} << 13) | (std::int64_t{start[7]} << 5) | (start[8] >> 3)) *
          300 +
      (((start[8] & 3) << 7) | (start[9] >> 1));
  EXPECT_LE(startScr, packs.front().scr);
}

TEST(SinkCore, GatheredWritesMakeTheSameFileAndCounts) {
  test::TempDir dir;
  std::vector<std::uint8_t> files[2];
  SinkStats stats[2];
  for (int gathered = 0; gathered < 2; ++gathered) {
    Mpeg2SinkCore sink;
    if (gathered == 1) sink.SetWriteBatch(64 * 1024);
    test::SinkFeeder feeder{sink};
    const std::string list = gathered == 1 ? "g.lst" : "d.lst";
    ASSERT_EQ(sink.SetFileName(dir.File(list).c_str(), feeder.clock), FileNameResult::kOpened);
    test::FeedProgramme(feeder, 6.0);
    sink.Stop();
    files[gathered] = test::ReadAll(dir.Path() / (list.substr(0, 1) + "_0000.mpg"));
    stats[gathered] = sink.Stats();
  }
  ASSERT_GT(files[0].size(), 100u * 2048);
  EXPECT_EQ(files[1], files[0]);
  EXPECT_EQ(stats[1].packsWritten, stats[0].packsWritten);
  EXPECT_EQ(stats[1].packsLost, 0u);
}

TEST(SinkCore, VideoTimestampsFollowPictureCounterAndFramePeriod) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("v.mpg").c_str(), feeder.clock), FileNameResult::kOpened);
  // Sequence header (29.97 Hz: 900,900 ticks) with an I picture of temporal
  // reference 2, then B pictures 0 and 1, then a timed sample without any
  // picture start code, then one more timed sample to close the last group.
  auto first = test::SequenceHeader(4);
  const auto i2 = test::Picture(2, 3000, 1);
  first.insert(first.end(), i2.begin(), i2.end());
  feeder.Send(PinType::kVideo, first, 10'000'000);
  feeder.Send(PinType::kVideo, test::Picture(0, 2500, 2), 10'333'667);
  feeder.Send(PinType::kVideo, test::Picture(1, 2500, 3), 10'667'334);
  feeder.Send(PinType::kVideo, std::vector<std::uint8_t>(300, 0x77), 11'001'001);
  feeder.Send(PinType::kVideo, test::Picture(5, 2500, 4), 11'334'668);
  sink.Stop();

  const auto packs = test::DecodeFile(test::ReadAll(dir.Path() / "v.mpg"));
  std::vector<const DecodedPack*> timed;
  for (const auto& p : packs) {
    if (p.pts) timed.push_back(&p);
  }
  ASSERT_EQ(timed.size(), 4u);
  const std::int64_t t27 = 10'000'000 * 27 / 10 + 27'000'000;
  EXPECT_EQ(*timed[0]->pts, t27 / 300);
  // I picture: counter 0, DTS = PTS - (2 - 0 + 1) frames.
  EXPECT_EQ(*timed[0]->dts, (t27 - 3 * 900'900) / 300);
  // B picture 0: counter 1, DTS = PTS - (0 - 1 + 1) frames = PTS: no DTS field.
  EXPECT_FALSE(timed[1]->dts);
  EXPECT_EQ(timed[1]->flags2, 0x80);
  // B picture 1: counter 2: DTS = PTS - 0 as well.
  EXPECT_FALSE(timed[2]->dts);
  // No picture start code: PTS only, never a DTS after its PTS.
  EXPECT_EQ(timed[3]->flags2, 0x80);
  EXPECT_EQ(*timed[3]->pts, (11'001'001 * 27 / 10 + 27'000'000) / 300);
}

TEST(SinkCore, VideoWaitsForSequenceHeaderAndAgainAfterDiscontinuity) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("w.mpg").c_str(), feeder.clock), FileNameResult::kOpened);
  feeder.Send(PinType::kVideo, test::Picture(3, 1000, 1), 0);  // mid-GOP: dropped
  feeder.Send(PinType::kVideo, test::Picture(4, 1000, 2), 333'667);
  EXPECT_EQ(sink.Stats().video.samplesDropped, 2u);
  auto gop = test::SequenceHeader(4);
  const auto i0 = test::Picture(0, 1000, 3);
  gop.insert(gop.end(), i0.begin(), i0.end());
  feeder.Send(PinType::kVideo, gop, 667'334);
  feeder.Send(PinType::kVideo, test::Picture(1, 1000, 4), 1'001'001);
  // A discontinuity throws away what is held and waits for a sequence header.
  feeder.Send(PinType::kVideo, test::Picture(2, 1000, 5), 1'334'668, true);
  EXPECT_EQ(sink.Stats().video.samplesDropped, 3u);
  EXPECT_EQ(sink.Stats().video.samplesDiscarded, 1u);
  feeder.Send(PinType::kVideo, gop, 2'000'000, true);
  feeder.Send(PinType::kVideo, test::Picture(1, 1000, 6), 2'333'667);
  sink.Stop();
  const auto got = Split(test::DecodeFile(test::ReadAll(dir.Path() / "w.mpg")));
  std::vector<std::uint8_t> expected = gop;                 // first group: the GOP start
  expected.insert(expected.end(), gop.begin(), gop.end());  // after the discontinuity
  EXPECT_EQ(got.video, expected);
}

TEST(SinkCore, HeldSamplesAndGroupBytesStayBounded) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("b.mpg").c_str(), feeder.clock), FileNameResult::kOpened);
  // Video with no timestamps after its first sample: one endless group.
  std::vector<std::uint8_t> sent = test::SequenceHeader(4);
  feeder.Send(PinType::kVideo, sent, 0);
  for (int i = 0; i < 3000; ++i) {
    const std::vector<std::uint8_t> piece(i % 2 ? 100 : 1800, static_cast<std::uint8_t>(i | 1));
    feeder.Send(PinType::kVideo, piece, std::nullopt);
    sent.insert(sent.end(), piece.begin(), piece.end());
    ASSERT_LE(sink.HeldBytes(PinType::kVideo), kMaxGroupBytes);
  }
  const auto stats = sink.Stats();
  EXPECT_GE(stats.video.forcedGroups, 4u);
  sink.Stop();
  const auto packs = test::DecodeFile(test::ReadAll(dir.Path() / "b.mpg"));
  const auto got = Split(packs).video;
  EXPECT_TRUE(IsPrefix(got, sent));
  EXPECT_GT(got.size(), sent.size() - 1'000'000);
  // Only the very first group carries a timestamp.
  int withPts = 0;
  for (const auto& p : packs)
    withPts += p.pts ? 1 : 0;
  EXPECT_EQ(withPts, 1);
}

TEST(SinkCore, SampleListNeverExceeds512Entries) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("s.mpg").c_str(), feeder.clock), FileNameResult::kOpened);
  // Untimed text samples close a group each; untimed audio never does.
  for (int i = 0; i < 1500; ++i) {
    feeder.Send(PinType::kAudio, std::vector<std::uint8_t>(10, 0x11), std::nullopt);
    ASSERT_LE(sink.HeldSamples(PinType::kAudio), kMaxHeldSamples);
  }
  EXPECT_EQ(sink.Stats().audio.forcedGroups, 2u);  // at 512 and 1024 held samples
}

TEST(SinkCore, EndOfStreamNeedsAllThreePins) {
  Mpeg2SinkCore sink;
  EXPECT_FALSE(sink.EndOfStream());
  EXPECT_FALSE(sink.EndOfStream());
  EXPECT_TRUE(sink.EndOfStream());
  sink.ResetEndOfStream();
  EXPECT_FALSE(sink.EndOfStream());
}

}  // namespace
}  // namespace filters

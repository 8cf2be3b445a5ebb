#include <gtest/gtest.h>

#include "demux/TsDemuxer.h"
#include "tests/demux/Collector.h"
#include "tests/demux/TsWriter.h"

namespace demux::test {
namespace {

constexpr std::uint16_t kVideo = 0x31;
constexpr std::uint16_t kAudio = 0x34;
constexpr std::uint64_t kPcr0 = 10ull * 27'000'000;  // first PCR: 10 s
constexpr std::uint64_t kPts0 = 10ull * 90'000;      // PTS of the same instant

// Non-negative 90 kHz offset from the first PCR -> expected stream time (100 ns).
std::int64_t Expected(std::int64_t pts90Offset) {
  return pts90Offset * 1000 / 9;
}

Bytes VideoPayload(std::size_t size, std::uint8_t seed, bool sequenceHeader) {
  Bytes payload = Pattern(size, seed);
  if (sequenceHeader) {
    payload[0] = 0;
    payload[1] = 0;
    payload[2] = 1;
    payload[3] = 0xB3;
  } else {
    payload[0] = 0;
    payload[1] = 0;
    payload[2] = 1;
    payload[3] = 0x00;
  }
  return payload;
}

class PesTest : public ::testing::Test {
 protected:
  void Open(OutputConfig config = {}) {
    ASSERT_EQ(demuxer.CreateOutput(config, &video, &videoOut), DemuxResult::kDone);
    ASSERT_EQ(demuxer.CreateOutput(config, &audio, &audioOut), DemuxResult::kDone);
    const std::uint32_t v[] = {kVideo};
    const std::uint32_t a[] = {kAudio};
    ASSERT_EQ(demuxer.MapPids(videoOut, v, MediaSampleContent::kElementaryStream),
              DemuxResult::kDone);
    ASSERT_EQ(demuxer.MapPids(audioOut, a, MediaSampleContent::kElementaryStream),
              DemuxResult::kDone);
    demuxer.Ingest(SyncRun());
  }
  void StartClock() { demuxer.Ingest(writer.AdaptationOnly(kVideo, {.pcr = kPcr0})); }

  TsDemuxer demuxer;
  TsWriter writer;
  Collector video, audio;
  OutputId videoOut = 0, audioOut = 0;
};

TEST_F(PesTest, TimesComeFromPtsAndDtsOnThePcrTimeline) {
  Open();
  StartClock();
  const Bytes first = VideoPayload(1000, 1, true);
  const Bytes second = VideoPayload(700, 2, false);
  demuxer.Ingest(writer.Pes(kVideo, 0xE0, first, kPts0 + 45000, kPts0 + 45000 - 3003, true));
  demuxer.Ingest(writer.Pes(kVideo, 0xE0, second, kPts0 + 48003, std::nullopt, true));
  ASSERT_EQ(video.items.size(), 2u);
  const Sample& s1 = video.items[0].sample;
  EXPECT_EQ(video.items[0].data, first);
  EXPECT_EQ(s1.startTime, Expected(45000));  // 0.5 s after the first PCR
  EXPECT_EQ(s1.decodeTime, Expected(45000 - 3003));
  EXPECT_EQ(s1.pts, kPts0 + 45000);
  EXPECT_EQ(s1.dts, kPts0 + 45000 - 3003);
  constexpr std::uint32_t kFirst = kSampleTimeValid | kSampleDecodeTimeValid | kSampleSyncPoint |
                                   kSampleDiscontinuity | kSampleUnitStart | kSampleUnitEnd |
                                   kSamplePtsPresent | kSampleDtsPresent;
  EXPECT_EQ(s1.flags, kFirst);
  EXPECT_EQ(s1.streamId, 0xE0);
  EXPECT_EQ(s1.pid, kVideo);
  // The second unit: no DTS (decode time = start time), no sequence header,
  // no discontinuity.
  const Sample& s2 = video.items[1].sample;
  EXPECT_EQ(s2.startTime, Expected(48003));
  EXPECT_EQ(s2.decodeTime, s2.startTime);
  EXPECT_EQ(s2.flags & (kSampleSyncPoint | kSampleDiscontinuity | kSampleDtsPresent), 0u);
}

TEST_F(PesTest, NoTimeBeforeTheFirstPcr) {
  Open();
  demuxer.Ingest(writer.Pes(kAudio, 0xBD, Pattern(300, 1), kPts0, std::nullopt, true));
  ASSERT_EQ(audio.items.size(), 1u);
  EXPECT_EQ(audio.items[0].sample.flags & kSampleTimeValid, 0u);
  EXPECT_NE(audio.items[0].sample.flags & kSamplePtsPresent, 0u);
  EXPECT_NE(audio.items[0].sample.flags & kSampleSyncPoint, 0u);  // every audio unit
}

TEST_F(PesTest, UnboundedVideoUnitEndsAtTheNextUnitOrEndOfStream) {
  Open();
  StartClock();
  const Bytes a = VideoPayload(5000, 1, true);
  const Bytes b = VideoPayload(3000, 2, false);
  demuxer.Ingest(writer.Pes(kVideo, 0xE0, a, kPts0 + 9000, std::nullopt, false));
  EXPECT_TRUE(video.items.empty());  // its end is not known yet
  demuxer.Ingest(writer.Pes(kVideo, 0xE0, b, kPts0 + 12003, std::nullopt, false));
  ASSERT_EQ(video.Units(), std::vector<Bytes>{a});
  demuxer.EndOfStream();
  EXPECT_EQ(video.Units(), (std::vector<Bytes>{a, b}));
  EXPECT_EQ(demuxer.Statistics(kVideo).pesErrors, 0u);
}

TEST_F(PesTest, LargeUnitsAreSplitAtTheSampleSize) {
  Open({.esDelivery = EsDelivery::kUnit, .maxSampleBytes = 1000});
  StartClock();
  const Bytes a = VideoPayload(2500, 1, true);
  const Bytes b = VideoPayload(2000, 2, false);  // an exact multiple
  demuxer.Ingest(writer.Pes(kVideo, 0xE0, a, kPts0 + 9000, std::nullopt, true));
  demuxer.Ingest(writer.Pes(kVideo, 0xE0, b, kPts0 + 12003, std::nullopt, true));
  std::vector<std::size_t> sizes;
  for (const auto& r : video.items)
    sizes.push_back(r.data.size());
  EXPECT_EQ(sizes, (std::vector<std::size_t>{1000, 1000, 500, 1000, 1000}));
  EXPECT_EQ(video.Units(), (std::vector<Bytes>{a, b}));
  // Only a unit's first sample is timed; only its last ends it.
  const std::vector<std::uint32_t> starts{1, 0, 0, 1, 0}, ends{0, 0, 1, 0, 1};
  for (std::size_t i = 0; i < video.items.size(); ++i) {
    const std::uint32_t flags = video.items[i].sample.flags;
    EXPECT_EQ((flags & kSampleTimeValid) != 0, starts[i] != 0) << i;
    EXPECT_EQ((flags & kSampleUnitStart) != 0, starts[i] != 0) << i;
    EXPECT_EQ((flags & kSampleUnitEnd) != 0, ends[i] != 0) << i;
  }
}

TEST_F(PesTest, PacketDeliveryHandsOutPayloadAsItComes) {
  Open({.esDelivery = EsDelivery::kPacket});
  StartClock();
  const Bytes a = VideoPayload(1000, 1, true);
  demuxer.Ingest(writer.Pes(kVideo, 0xE0, a, kPts0 + 9000, std::nullopt, true));
  ASSERT_EQ(video.items.size(), 6u);  // 1000 + 14 header bytes in six packets
  EXPECT_EQ(video.Units(), std::vector<Bytes>{a});
  EXPECT_EQ(video.items[0].sample.startTime, Expected(9000));
  EXPECT_NE(video.items.back().sample.flags & kSampleUnitEnd, 0u);
}

TEST_F(PesTest, LostPacketDropsTheUnitAndMarksTheNextOne) {
  Open();
  StartClock();
  const Bytes a = VideoPayload(1000, 1, true);
  const Bytes b = VideoPayload(400, 2, false);
  const Bytes c = VideoPayload(400, 3, false);
  demuxer.Ingest(writer.Pes(kVideo, 0xE0, c, kPts0 + 3003, std::nullopt, true));
  Bytes stream = writer.Pes(kVideo, 0xE0, a, kPts0 + 6006, std::nullopt, true);
  stream.erase(stream.begin() + 2 * 188, stream.begin() + 3 * 188);
  demuxer.Ingest(stream);
  demuxer.Ingest(writer.Pes(kVideo, 0xE0, b, kPts0 + 9009, std::nullopt, true));
  ASSERT_EQ(video.Units(), (std::vector<Bytes>{c, b}));
  EXPECT_NE(video.items[1].sample.flags & kSampleDiscontinuity, 0u);
  EXPECT_EQ(demuxer.Statistics(kVideo).continuityErrors, 1u);
}

TEST_F(PesTest, ResetDropsWhatIsInProgressAndMarksTheNextUnit) {
  Open();
  StartClock();
  demuxer.Ingest(writer.Pes(kAudio, 0xBD, Pattern(300, 1), kPts0, std::nullopt, true));
  Bytes partial = writer.Pes(kAudio, 0xBD, Pattern(600, 2), kPts0 + 2880, std::nullopt, true);
  partial.resize(2 * 188);
  demuxer.Ingest(partial);
  demuxer.Reset();
  demuxer.Ingest(writer.Pes(kAudio, 0xBD, Pattern(300, 3), kPts0 + 5760, std::nullopt, true));
  ASSERT_EQ(audio.Units(), (std::vector<Bytes>{Pattern(300, 1), Pattern(300, 3)}));
  EXPECT_NE(audio.items[0].sample.flags & kSampleDiscontinuity, 0u);  // first unit
  EXPECT_NE(audio.items[1].sample.flags & kSampleDiscontinuity, 0u);  // after the reset
}

TEST_F(PesTest, HeaderSpanningPacketsAndBadHeaders) {
  Open();
  StartClock();
  // A PES header with 200 stuffing bytes: it ends in the second packet.
  Bytes pes = MakePes(0xC0, Pattern(100, 1), kPts0 + 900, std::nullopt, true);
  pes.insert(pes.begin() + 14, 200, 0xFF);
  pes[8] = 5 + 200;
  const std::size_t length = pes.size() - 6;
  pes[4] = static_cast<std::uint8_t>(length >> 8);
  pes[5] = static_cast<std::uint8_t>(length);
  demuxer.Ingest(writer.Packet(kAudio, Bytes(pes.begin(), pes.begin() + 184), true));
  demuxer.Ingest(writer.Packet(kAudio, Bytes(pes.begin() + 184, pes.end()), false));
  // No start-code prefix, then a header_data_length beyond PES_packet_length.
  Bytes noPrefix = MakePes(0xC0, Pattern(50, 2), kPts0, std::nullopt, true);
  noPrefix[2] = 0x02;
  demuxer.Ingest(writer.Packet(kAudio, noPrefix, true));
  Bytes tooLong = MakePes(0xC0, Pattern(50, 3), kPts0, std::nullopt, true);
  tooLong[4] = 0;
  tooLong[5] = 4;  // PES_packet_length 4 < 3 + 5
  demuxer.Ingest(writer.Packet(kAudio, tooLong, true));
  ASSERT_EQ(audio.Units(), std::vector<Bytes>{Pattern(100, 1)});
  EXPECT_EQ(audio.items[0].sample.startTime, Expected(900));
  EXPECT_EQ(demuxer.Statistics(kAudio).pesErrors, 2u);
}

TEST_F(PesTest, RepeatedPacketOnceAndAdaptationOnlyPacketsAreNoLoss) {
  Open();
  StartClock();
  const Bytes a = VideoPayload(800, 1, true);
  Bytes stream = writer.Pes(kVideo, 0xE0, a, kPts0 + 3003, std::nullopt, true);
  const Bytes second(stream.begin() + 188, stream.begin() + 2 * 188);
  stream.insert(stream.begin() + 2 * 188, second.begin(), second.end());  // repeated once
  // An adaptation-only packet with a PCR repeats the counter without loss.
  const std::uint8_t saved = writer.Counter(kVideo);
  writer.SetCounter(kVideo, stream[2 * 188 + 3] & 0x0F);
  const Bytes pcr = writer.AdaptationOnly(kVideo, {.pcr = kPcr0 + 2'700'000});
  writer.SetCounter(kVideo, saved);
  stream.insert(stream.begin() + 3 * 188, pcr.begin(), pcr.end());
  demuxer.Ingest(stream);
  EXPECT_EQ(video.Units(), std::vector<Bytes>{a});
  EXPECT_EQ(demuxer.Statistics(kVideo).continuityErrors, 0u);
  EXPECT_EQ(demuxer.Statistics(kVideo).duplicates, 1u);
  // A third copy of the same counter is a loss.
  const Bytes next = writer.Pes(kVideo, 0xE0, a, kPts0 + 6006, std::nullopt, true);
  const Bytes last(next.end() - 188, next.end());
  demuxer.Ingest(next);
  demuxer.Ingest(last);
  demuxer.Ingest(last);
  EXPECT_EQ(demuxer.Statistics(kVideo).continuityErrors, 1u);
}

}  // namespace
}  // namespace demux::test

// Sink core -> files -> source core: the same elementary-stream bytes and
// times come back, for one recording file and across the chunks of a list.
#include <gtest/gtest.h>

#include <map>

#include "filters/sink/Mpeg2SinkCore.h"
#include "filters/sink/PsFormat.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "tests/sink/SinkFeeder.h"
#include "tests/support/Bytes.h"

namespace filters {
namespace {

struct Received {
  std::map<PinType, std::vector<std::uint8_t>> bytes;
  std::map<PinType, std::vector<std::int64_t>> times;  // pts100
  std::vector<std::int64_t> scrs;
  int noData = 0;
};

ReadStatus Drain(Mpeg2SourceCore& source, Received& got, int limit = 1'000'000) {
  SourceRead read;
  for (int i = 0; i < limit; ++i) {
    const ReadStatus status = source.ReadNext(read);
    if (status != ReadStatus::kData) return status;
    got.scrs.push_back(read.scr27);
    for (const auto& p : read.payloads) {
      auto& b = got.bytes[p.stream];
      b.insert(b.end(), p.bytes.begin(), p.bytes.end());
      if (p.hasPts) got.times[p.stream].push_back(p.pts100);
    }
  }
  return ReadStatus::kData;
}

using testsupport::IsPrefix;

// Every returned time is a sent sample time plus the file's one-second
// offset, within one 90 kHz tick; `stride` sent samples per returned time.
void ExpectTimes(const std::vector<std::int64_t>& got, const std::vector<std::int64_t>& sent,
                 std::size_t stride, const char* what) {
  ASSERT_FALSE(got.empty()) << what;
  ASSERT_LE(got.size(), (sent.size() + stride - 1) / stride) << what;
  for (std::size_t i = 0; i < got.size(); ++i) {
    const std::int64_t expected = sent[i * stride] + 10'000'000;
    EXPECT_LE(std::abs(got[i] - expected), 112) << what << " " << i;
  }
}

TEST(RoundTrip, RecordingFileGivesBackStreamsAndTimes) {
  test::TempDir dir;
  test::SentStreams sent;
  {
    Mpeg2SinkCore sink;
    test::SinkFeeder feeder{sink};
    ASSERT_EQ(sink.SetFileName(dir.File("show.mpg").c_str(), feeder.clock),
              FileNameResult::kOpened);
    sent = test::FeedProgramme(feeder, 5.0, 3 * 10'000'000);
    sink.Stop();
  }
  Mpeg2SourceCore source;
  ASSERT_EQ(source.Load(dir.File("show.mpg").c_str()), S_OK);
  EXPECT_FALSE(source.ListMode());
  Received got;
  EXPECT_EQ(Drain(source, got), ReadStatus::kEndOfStream);

  const auto& video = got.bytes[PinType::kVideo];
  EXPECT_TRUE(IsPrefix(video, sent.video));
  EXPECT_GT(video.size(), sent.video.size() - 20000);
  EXPECT_TRUE(IsPrefix(got.bytes[PinType::kAudio], sent.audio));
  EXPECT_GT(got.bytes[PinType::kAudio].size(), sent.audio.size() - 3000);
  EXPECT_EQ(got.bytes[PinType::kText],
            std::vector<std::uint8_t>(sent.text.begin(), sent.text.end() - 7));

  ExpectTimes(got.times[PinType::kVideo], sent.videoTimes, 1, "video");
  ExpectTimes(got.times[PinType::kAudio], sent.audioTimes, 2, "audio");
  ExpectTimes(got.times[PinType::kText], sent.textTimes, 1, "text");
  EXPECT_EQ(got.times[PinType::kText].size(), sent.textTimes.size() - 1);
  EXPECT_EQ(source.Stats().malformed, 0u);

  std::int64_t earliest = 0, latest = 0;
  source.GetAvailable(earliest, latest);
  EXPECT_GT(earliest, 3 * 10'000'000);
  EXPECT_GT(latest, earliest + 3 * 10'000'000);
}

TEST(RoundTrip, ListFollowsGrowingNewestChunkAcrossRollover) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("tv.lst").c_str(), feeder.clock), FileNameResult::kOpened);
  auto sent = test::FeedProgramme(feeder, 2.0);

  Mpeg2SourceCore source;
  ASSERT_EQ(source.Load(dir.File("tv.lst").c_str()), S_OK);
  EXPECT_TRUE(source.ListMode());
  ASSERT_EQ(source.Seek(0), S_OK);
  Received got;
  // At the end of the newest chunk the reader waits instead of ending.
  EXPECT_EQ(Drain(source, got), ReadStatus::kNoDataYet);
  EXPECT_EQ(source.ReadNext(*std::make_unique<SourceRead>()), ReadStatus::kNoDataYet);
  const std::size_t firstPart = got.bytes[PinType::kVideo].size();
  EXPECT_GT(firstPart, 0u);

  // The writer goes on, then rolls over to a new chunk after 15 minutes.
  auto more = test::FeedProgramme(feeder, 2.0, 2 * 10'000'000);
  EXPECT_EQ(Drain(source, got), ReadStatus::kNoDataYet);
  EXPECT_GT(got.bytes[PinType::kVideo].size(), firstPart);
  auto later = test::FeedProgramme(feeder, 2.0, 15LL * 60 * 10'000'000 + 10'000'000);
  EXPECT_EQ(sink.List().newest, 1);
  auto last = test::FeedProgramme(feeder, 1.0, 15LL * 60 * 10'000'000 + 3 * 10'000'000);
  EXPECT_EQ(Drain(source, got), ReadStatus::kNoDataYet);
  EXPECT_EQ(source.CurrentEntry(), 1);

  for (auto* part : {&more, &later, &last}) {
    sent.text.insert(sent.text.end(), part->text.begin(), part->text.end());
  }
  // Text samples are whole records: everything up to the last one held.
  EXPECT_EQ(got.bytes[PinType::kText],
            std::vector<std::uint8_t>(sent.text.begin(), sent.text.end() - 7));
  // SCRs rise within a chunk; a new chunk's start pack may go back to the
  // time of its first data.
  int decreases = 0;
  for (std::size_t i = 1; i < got.scrs.size(); ++i)
    decreases += got.scrs[i] < got.scrs[i - 1];
  EXPECT_LE(decreases, 1);
}

TEST(RoundTrip, TimesContinueAcrossThe33BitWrap) {
  test::TempDir dir;
  // 2^33 ticks of 90 kHz after the file's one-second offset.
  const std::int64_t wrap100 = kWrap27 * 10 / 27 - 10'000'000;
  test::SentStreams sent;
  {
    Mpeg2SinkCore sink;
    test::SinkFeeder feeder{sink};
    ASSERT_EQ(sink.SetFileName(dir.File("wrap.mpg").c_str(), feeder.clock),
              FileNameResult::kOpened);
    sent = test::FeedProgramme(feeder, 6.0, wrap100 - 3 * 10'000'000);
    sink.Stop();
  }
  Mpeg2SourceCore source;
  ASSERT_EQ(source.Load(dir.File("wrap.mpg").c_str()), S_OK);
  Received got;
  EXPECT_EQ(Drain(source, got), ReadStatus::kEndOfStream);
  ExpectTimes(got.times[PinType::kVideo], sent.videoTimes, 1, "video");
  ExpectTimes(got.times[PinType::kText], sent.textTimes, 1, "text");
  EXPECT_GT(got.times[PinType::kVideo].back(), kWrap27 * 10 / 27);
  for (std::size_t i = 1; i < got.scrs.size(); ++i)
    EXPECT_GE(got.scrs[i], got.scrs[i - 1]);
  EXPECT_GT(got.scrs.back(), kWrap27);
}

}  // namespace
}  // namespace filters

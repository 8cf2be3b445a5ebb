// Seeking by time in a chunk list and in single files, the available range,
// and the rate rules.
#include <gtest/gtest.h>

#include <filesystem>

#include "filters/sink/Mpeg2SinkCore.h"
#include "filters/sink/PsFormat.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "filters/source/PackParser.h"
#include "tests/sink/SinkFeeder.h"

namespace filters {
namespace {

constexpr std::int64_t kSecond = 10'000'000;
constexpr std::int64_t kMinute = 60 * kSecond;

// SCRs (27 MHz) of every whole pack of a file, decoded by the parser.
std::vector<std::int64_t> PackScrs(const std::filesystem::path& path) {
  const auto bytes = test::ReadAll(path);
  std::vector<std::int64_t> scrs;
  ParsedPack pack;
  for (std::size_t off = 0; off + kPackSize <= bytes.size(); off += kPackSize) {
    ParsePack(std::span(bytes).subspan(off, kPackSize), pack, true);
    EXPECT_TRUE(pack.hasScr);
    scrs.push_back(pack.scr27);
  }
  return scrs;
}

TEST(Seek, IntoSecondLiveChunkStartsAtFirstPackReachingTarget) {
  test::TempDir dir;
  test::WriteThreeChunks(dir);
  Mpeg2SourceCore source;
  ASSERT_EQ(source.Load(dir.File("s.lst").c_str()), S_OK);

  const auto scrs = PackScrs(dir.Path() / "s_0001.mpg");
  ASSERT_GT(scrs.size(), 100u);
  // A target inside chunk 1, in file time (100 ns).
  const std::int64_t target = Time100ns(scrs[scrs.size() / 2]) + 1234;
  const std::int64_t target27 = target * 27 / 10;
  const auto expected = std::lower_bound(scrs.begin(), scrs.end(), target27);
  ASSERT_NE(expected, scrs.end());
  ASSERT_NE(expected, scrs.begin());

  ASSERT_EQ(source.Seek(target), S_OK);
  EXPECT_EQ(source.CurrentEntry(), 1);
  SourceRead read;
  ASSERT_EQ(source.ReadNext(read), ReadStatus::kData);
  EXPECT_EQ(read.scr27, *expected);
  EXPECT_GE(read.scr27, target27);
  EXPECT_LT(*(expected - 1), target27);
  EXPECT_EQ(source.CurrentPosition(), target);

  // Reading on from there crosses into chunk 2 and then waits.
  ReadStatus status = ReadStatus::kData;
  while (status == ReadStatus::kData)
    status = source.ReadNext(read);
  EXPECT_EQ(status, ReadStatus::kNoDataYet);
  EXPECT_EQ(source.CurrentEntry(), 2);

  // Before everything: the oldest chunk; past everything: the newest.
  ASSERT_EQ(source.Seek(0), S_OK);
  EXPECT_EQ(source.CurrentEntry(), 0);
  ASSERT_EQ(source.Seek(100 * kMinute), S_OK);
  EXPECT_EQ(source.CurrentEntry(), 2);
}

TEST(Seek, AvailableRangeSpansLiveChunks) {
  test::TempDir dir;
  test::WriteThreeChunks(dir);
  Mpeg2SourceCore source;
  ASSERT_EQ(source.Load(dir.File("s.lst").c_str()), S_OK);
  std::int64_t earliest = -1, latest = -1;
  ASSERT_EQ(source.GetAvailable(earliest, latest), S_OK);
  const auto first = PackScrs(dir.Path() / "s_0000.mpg");
  const auto last = PackScrs(dir.Path() / "s_0002.mpg");
  EXPECT_EQ(earliest, Time100ns(first.front()));
  EXPECT_EQ(latest, Time100ns(last.back()));
  EXPECT_GT(latest, 30 * kMinute);
}

TEST(Seek, ShortFileIsPlayedFromItsStart) {
  test::TempDir dir;
  {
    Mpeg2SinkCore sink;
    test::SinkFeeder feeder{sink};
    ASSERT_EQ(sink.SetFileName(dir.File("short.mpg").c_str(), feeder.clock),
              FileNameResult::kOpened);
    test::FeedProgramme(feeder, 0.12, 0);
    sink.Stop();
  }
  const auto scrs = PackScrs(dir.Path() / "short.mpg");
  ASSERT_LT(scrs.size(), 11u);
  ASSERT_GT(scrs.size(), 2u);
  Mpeg2SourceCore source;
  ASSERT_EQ(source.Load(dir.File("short.mpg").c_str()), S_OK);
  ASSERT_EQ(source.Seek(Time100ns(scrs.back())), S_OK);
  SourceRead read;
  ASSERT_EQ(source.ReadNext(read), ReadStatus::kData);
  EXPECT_EQ(read.scr27, scrs.front());
}

TEST(Seek, SingleFileBinarySearch) {
  test::TempDir dir;
  {
    Mpeg2SinkCore sink;
    test::SinkFeeder feeder{sink};
    ASSERT_EQ(sink.SetFileName(dir.File("long.mpg").c_str(), feeder.clock),
              FileNameResult::kOpened);
    test::FeedProgramme(feeder, 10.0, 0);
    sink.Stop();
  }
  const auto scrs = PackScrs(dir.Path() / "long.mpg");
  Mpeg2SourceCore source;
  ASSERT_EQ(source.Load(dir.File("long.mpg").c_str()), S_OK);
  for (std::size_t index : {std::size_t{1}, scrs.size() / 3, scrs.size() - 1}) {
    const std::int64_t target = Time100ns(scrs[index]);
    ASSERT_EQ(source.Seek(target), S_OK);
    SourceRead read;
    ASSERT_EQ(source.ReadNext(read), ReadStatus::kData);
    EXPECT_EQ(read.scr27, *std::lower_bound(scrs.begin(), scrs.end(), target * 27 / 10));
  }
  // Past the last pack: nothing more to read in a single file.
  ASSERT_EQ(source.Seek(Time100ns(scrs.back()) + 10'000'000), S_OK);
  SourceRead read;
  EXPECT_EQ(source.ReadNext(read), ReadStatus::kEndOfStream);
}

TEST(SeekingValues, RateRulesAndDefaults) {
  Mpeg2SourceCore source;
  EXPECT_EQ(source.Rate(), 1.0);
  EXPECT_EQ(source.StopPosition(), 0x3FFFFFFFFFFFFFFF);
  EXPECT_EQ(source.Duration(), 0x3FFFFFFFFFFFFFFF);
  EXPECT_EQ(source.SetRate(2.0), S_OK);
  EXPECT_EQ(source.Rate(), 2.0);
  EXPECT_EQ(source.SetRate(0.0), E_FAIL);
  EXPECT_EQ(source.Rate(), 1.0);
  EXPECT_EQ(source.SetRate(4.0), S_OK);
  EXPECT_EQ(source.SetRate(-1.0), E_FAIL);
  EXPECT_EQ(source.Rate(), 1.0);
}

}  // namespace
}  // namespace filters

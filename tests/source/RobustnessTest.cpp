// Damaged input: garbage and truncated files and lists end cleanly, an
// inconsistent list copy is ignored, and the parser skips malformed headers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "filters/sink/Mpeg2SinkCore.h"
#include "filters/sink/PsFormat.h"
#include "filters/source/FormatBlocks.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "filters/source/PackParser.h"
#include "tests/sink/SinkFeeder.h"
#include "tests/support/Bytes.h"

namespace filters {
namespace {

// Reads until the source stops giving data; returns the packs read.
int ReadToEnd(Mpeg2SourceCore& source, ReadStatus expected) {
  SourceRead read;
  int packs = 0;
  ReadStatus status;
  while ((status = source.ReadNext(read)) == ReadStatus::kData) {
    for (const auto& p : read.payloads)
      EXPECT_LE(p.bytes.size(), kPackSize);
    if (++packs > 100000) break;
  }
  EXPECT_EQ(status, expected);
  return packs;
}

TEST(Robustness, GarbageAndTruncatedFilesEndCleanly) {
  test::TempDir dir;
  std::mt19937 random(7);
  std::vector<std::uint8_t> garbage(64 * 1024 + 77);
  for (auto& b : garbage)
    b = static_cast<std::uint8_t>(random());
  // Sprinkle start codes so the parser meets headers of every kind.
  for (std::size_t i = 0; i + 8 < garbage.size(); i += 97) {
    garbage[i] = 0;
    garbage[i + 1] = 0;
    garbage[i + 2] = 1;
    const std::uint8_t ids[] = {0xBA, 0xBB, 0xBD, 0xBE, 0xBF, 0xE0, 0xC0, 0xB9};
    garbage[i + 3] = ids[(i / 97) % 8];
  }
  testsupport::WriteBytes(dir.Path() / "garbage.mpg", garbage);
  Mpeg2SourceCore source;
  ASSERT_EQ(source.Load(dir.File("garbage.mpg").c_str()), S_OK);
  EXPECT_EQ(ReadToEnd(source, ReadStatus::kEndOfStream), 32);
  EXPECT_GT(source.Stats().malformed, 0u);
  std::int64_t a = 0, b = 0;
  EXPECT_EQ(source.GetAvailable(a, b), S_OK);
  EXPECT_EQ(source.Seek(5 * 10'000'000), S_OK);

  // A real recording cut in the middle of a pack.
  {
    Mpeg2SinkCore sink;
    test::SinkFeeder feeder{sink};
    ASSERT_EQ(sink.SetFileName(dir.File("cut.mpg").c_str(), feeder.clock), FileNameResult::kOpened);
    test::FeedProgramme(feeder, 2.0);
    sink.Stop();
  }
  const auto whole = test::ReadAll(dir.Path() / "cut.mpg");
  std::filesystem::resize_file(dir.Path() / "cut.mpg", whole.size() / 2 + 1000);
  ASSERT_EQ(source.Load(dir.File("cut.mpg").c_str()), S_OK);
  const auto malformedBefore = source.Stats().malformed;
  EXPECT_EQ(ReadToEnd(source, ReadStatus::kEndOfStream),
            static_cast<int>((whole.size() / 2 + 1000) / kPackSize));
  EXPECT_EQ(source.Stats().malformed, malformedBefore);  // only whole packs are read

  // Empty and missing files.
  testsupport::WriteBytes(dir.Path() / "empty.mpg", {});
  ASSERT_EQ(source.Load(dir.File("empty.mpg").c_str()), S_OK);
  EXPECT_EQ(ReadToEnd(source, ReadStatus::kEndOfStream), 0);
  EXPECT_EQ(source.Load(dir.File("missing.mpg").c_str()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ReadToEnd(source, ReadStatus::kEndOfStream), 0);
  EXPECT_EQ(source.Load(nullptr), E_POINTER);
}

TEST(Robustness, GarbageAndTruncatedListsEndCleanly) {
  test::TempDir dir;
  Mpeg2SourceCore source;
  std::vector<std::uint8_t> junk(4272, 0xA5);
  testsupport::WriteBytes(dir.Path() / "junk.lst", junk);
  EXPECT_EQ(source.Load(dir.File("junk.lst").c_str()), E_FAIL);
  EXPECT_EQ(ReadToEnd(source, ReadStatus::kEndOfStream), 0);
  testsupport::WriteBytes(dir.Path() / "short.lst", std::vector<std::uint8_t>(100, 0));
  EXPECT_EQ(source.Load(dir.File("short.lst").c_str()), E_FAIL);
  EXPECT_EQ(source.Load(dir.File("none.lst").c_str()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));

  // A consistent list whose chunks are missing or garbage: waits at the end.
  ChunkList list;
  list.newest = 1;
  list.oldest = 0;
  list.liveCount = 2;
  list.nextNumber = 2;
  for (std::int32_t e = 0; e < 2; ++e) {
    list.Slot(e).state = kSlotLive;
    list.Slot(e).sequence = e;
    const std::u16string path = dir.File(e == 0 ? "gone.mpg" : "junk.lst");
    std::copy(path.begin(), path.end(), list.Slot(e).path.begin());
  }
  const auto bytes = list.Serialize();
  testsupport::WriteBytes(dir.Path() / "ok.lst", {bytes.begin(), bytes.end()});
  ASSERT_EQ(source.Load(dir.File("ok.lst").c_str()), S_OK);
  EXPECT_EQ(source.Seek(0), S_OK);
  ReadToEnd(source, ReadStatus::kNoDataYet);
  EXPECT_EQ(source.CurrentEntry(), 1);
}

TEST(Robustness, InconsistentListCopyIsIgnored) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("r.lst").c_str(), feeder.clock), FileNameResult::kOpened);
  test::FeedProgramme(feeder, 1.0);
  Mpeg2SourceCore source;
  ASSERT_EQ(source.Load(dir.File("r.lst").c_str()), S_OK);
  const int before = ReadToEnd(source, ReadStatus::kNoDataYet);
  EXPECT_GT(before, 0);

  // A torn copy: the header of a newer list over the slots of the old one.
  auto torn = test::ReadAll(dir.Path() / "r.lst");
  torn[0] = 1;   // newest 1
  torn[8] = 2;   // two live
  torn[12] = 2;  // next number 2, but slot 1 still free
  testsupport::WriteBytes(dir.Path() / "r.lst", torn);
  EXPECT_EQ(source.RefreshList(), S_FALSE);
  EXPECT_EQ(source.Stats().listCopiesIgnored, 1u);
  EXPECT_EQ(source.CurrentEntry(), 0);
  // The writer's next copy is whole again and is followed.
  test::FeedProgramme(feeder, 1.0, 15LL * 60 * 10'000'000 + 10'000'000);
  EXPECT_EQ(source.RefreshList(), S_OK);
  ReadToEnd(source, ReadStatus::kNoDataYet);
  EXPECT_EQ(source.CurrentEntry(), 1);
}

TEST(Robustness, AListThatStaysDamagedEndsAfterTheChunksItNamed) {
  for (const bool truncate : {false, true}) {
    SCOPED_TRACE(truncate ? "truncated" : "garbage");
    test::TempDir dir;
    Mpeg2SinkCore sink;
    test::SinkFeeder feeder{sink};
    ASSERT_EQ(sink.SetFileName(dir.File("r.lst").c_str(), feeder.clock), FileNameResult::kOpened);
    test::FeedProgramme(feeder, 1.0);
    Mpeg2SourceCore whole;
    ASSERT_EQ(whole.Load(dir.File("r.lst").c_str()), S_OK);
    const int named = ReadToEnd(whole, ReadStatus::kNoDataYet);
    Mpeg2SourceCore source;
    ASSERT_EQ(source.Load(dir.File("r.lst").c_str()), S_OK);
    SourceRead read;
    ASSERT_EQ(source.ReadNext(read), ReadStatus::kData);

    auto damaged = test::ReadAll(dir.Path() / "r.lst");
    if (truncate) {
      damaged.resize(100);
    } else {
      std::fill(damaged.begin(), damaged.end(), 0xA5);
    }
    testsupport::WriteBytes(dir.Path() / "r.lst", damaged);
    int packs = 1;
    ReadStatus status;
    int waits = 0;
    while ((status = source.ReadNext(read)) != ReadStatus::kEndOfStream && waits < 1000) {
      if (status == ReadStatus::kData) ++packs;
      if (status == ReadStatus::kNoDataYet) ++waits;
    }
    EXPECT_EQ(status, ReadStatus::kEndOfStream);
    EXPECT_EQ(source.Failure(), kDamagedList);
    EXPECT_EQ(packs, named);
  }
}

TEST(Robustness, AListRepairedWhileWaitingIsFollowed) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("r.lst").c_str(), feeder.clock), FileNameResult::kOpened);
  test::FeedProgramme(feeder, 1.0);
  Mpeg2SourceCore source;
  ASSERT_EQ(source.Load(dir.File("r.lst").c_str()), S_OK);
  const auto good = test::ReadAll(dir.Path() / "r.lst");
  testsupport::WriteBytes(dir.Path() / "r.lst", std::vector<std::uint8_t>(good.size(), 0xA5));
  SourceRead read;
  ReadToEnd(source, ReadStatus::kNoDataYet);
  for (int i = 0; i < 30; ++i)
    ASSERT_EQ(source.ReadNext(read), ReadStatus::kNoDataYet);
  // The writer's next copy is whole: waiting at the end goes on for good.
  testsupport::WriteBytes(dir.Path() / "r.lst", good);
  for (int i = 0; i < 200; ++i)
    ASSERT_EQ(source.ReadNext(read), ReadStatus::kNoDataYet);
  EXPECT_EQ(source.Failure(), S_OK);
}

TEST(PackParser, MalformedHeadersAreSkippedOrStopTheParse) {
  // A pack with: an over-long system header length, then nothing else read.
  std::vector<std::uint8_t> pack(kPackSize, 0xFF);
  WriteFileStartPack(std::span<std::uint8_t, kPackSize>(pack.data(), kPackSize), 300);
  pack[18] = 0x07;
  pack[19] = 0xFB;  // header length 2043
  ParsedPack out;
  ParsePack(pack, out);
  EXPECT_TRUE(out.hasScr);
  EXPECT_EQ(out.scr27, 300);
  EXPECT_EQ(out.malformed, 1u);

  // PES whose first flag byte lacks the '10' bits: skipped by its length;
  // the next PES is still found.
  const std::vector<std::uint8_t> data = {
      0x00, 0x00, 0x01, 0xE0, 0x00, 0x04, 0x41, 0x80, 0x00, 0x99,                   // bad flags
      0x00, 0x00, 0x01, 0xBD, 0x00, 0x08, 0x80, 0x00, 0x00, 0x80, 1,   0, 1, 0x0B,  // AC-3
      0x00, 0x00, 0x01, 0xBF, 0x00, 0x05, 0x80, 0x00, 0x00, 0x1F, 'x',              // text
      0x00, 0x00, 0x01, 0xE0, 0x00, 0x09, 0x80, 0x80, 0x05, 0x21, 0x00  // length past the data
  };
  ParsePack(data, out);
  ASSERT_EQ(out.payloads.size(), 2u);
  EXPECT_EQ(out.payloads[0].stream, PinType::kAudio);
  EXPECT_EQ(out.payloads[0].bytes.size(), 1u);
  EXPECT_EQ(out.payloads[1].stream, PinType::kText);
  EXPECT_EQ(out.payloads[1].bytes[0], 'x');
  EXPECT_EQ(out.malformed, 2u);
}

TEST(FormatBlocks, FixedVideoAndAudioBlocks) {
  const auto& video = VideoFormatBlock();
  auto le32 = [&](std::size_t at) {
    return video[at] | video[at + 1] << 8 | video[at + 2] << 16 | video[at + 3] << 24;
  };
  EXPECT_EQ(le32(8), 720);
  EXPECT_EQ(le32(12), 480);
  EXPECT_EQ(le32(32), 4'000'000);
  EXPECT_EQ(le32(40), 333'667);
  EXPECT_EQ(le32(56), 4);
  EXPECT_EQ(le32(60), 3);
  EXPECT_EQ(le32(72), 40);
  EXPECT_EQ(le32(88), 0x4745504D);
  EXPECT_EQ(le32(100), 53031);
  EXPECT_EQ(le32(112), 455832);
  EXPECT_EQ(le32(116), 86);
  EXPECT_EQ(le32(120), 2);
  EXPECT_EQ(video[132], 0x00);
  EXPECT_EQ(video[135], 0xB3);
  EXPECT_EQ(video[217], 0x00);
  EXPECT_EQ(video[213], 0x82);

  const auto& audio = AudioFormatBlock();
  EXPECT_EQ(audio[0], 0x50);
  EXPECT_EQ(audio[2], 2);
  EXPECT_EQ(audio[4] | audio[5] << 8, 48000);
  EXPECT_EQ(audio[12] | audio[13] << 8, 768);
  EXPECT_EQ(audio[16], 22);
  EXPECT_EQ(audio[18], 2);
  EXPECT_EQ(audio[20] | audio[21] << 8 | audio[22] << 16, 256000);
  EXPECT_EQ(audio[30], 0x1C);
}

}  // namespace
}  // namespace filters

// File naming, the chunk ring with its list file, the 15-minute rollover, and
// writing on a full disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/Utf16.h"
#include "filters/sink/Mpeg2SinkCore.h"
#include "filters/sink/PsFormat.h"
#include "tests/sink/SinkFeeder.h"

namespace filters {
namespace {

namespace fs = std::filesystem;

ChunkList ReadList(const fs::path& path) {
  const auto bytes = test::ReadAll(path);
  auto list = ChunkList::Parse(bytes);
  EXPECT_TRUE(list) << path;
  return list.value_or(ChunkList{});
}

// Feeds a little of every stream so a chunk has data, at stream time `now`.
void FeedSecond(test::SinkFeeder& feeder, std::int64_t now) {
  feeder.clock.streamTime = now;
  test::FeedProgramme(feeder, 1.0, now, false);
}

TEST(SetFileName, ListNameStartsChunkBesideTheList) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  FilterClock clock;
  ASSERT_EQ(sink.SetFileName(dir.File("buf.lst").c_str(), clock), FileNameResult::kOpened);
  EXPECT_EQ(sink.CurrentPath(), dir.File("buf_0000.mpg"));
  EXPECT_EQ(sink.GetCurFile(), dir.File("buf.lst"));
  EXPECT_TRUE(fs::exists(dir.Path() / "buf_0000.mpg"));
  const ChunkList list = ReadList(dir.Path() / "buf.lst");
  EXPECT_EQ(fs::file_size(dir.Path() / "buf.lst"), 4272u);
  EXPECT_EQ(list.newest, 0);
  EXPECT_EQ(list.oldest, 0);
  EXPECT_EQ(list.liveCount, 1);
  EXPECT_EQ(list.nextNumber, 1);
  EXPECT_EQ(list.Slot(0).sequence, 0);
  EXPECT_EQ(list.Slot(0).keep, 0);
  EXPECT_EQ(list.Slot(0).Path(), dir.File("buf_0000.mpg"));
  // No temporary file is left behind by the safe rewrite.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

TEST(SetFileName, LengthLimitsAndMissingNames) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  FilterClock clock;
  EXPECT_EQ(sink.SetFileName(nullptr, clock), FileNameResult::kNullName);
  const std::u16string folder = dir.File("");
  auto nameOfLength = [&](std::size_t length, std::u16string_view ext) {
    std::u16string name = folder;
    name.append(length - folder.size() - ext.size(), u'n');
    return name + std::u16string(ext);
  };
  EXPECT_EQ(sink.SetFileName(nameOfLength(260, u".mpg").c_str(), clock),
            FileNameResult::kNameTooLong);
  EXPECT_EQ(sink.SetFileName(nameOfLength(300, u".mpg").c_str(), clock),
            FileNameResult::kNameTooLong);
  // A list name whose chunk names ("_0000.mpg" for ".lst") would reach 260.
  EXPECT_EQ(sink.SetFileName(nameOfLength(255, u".lst").c_str(), clock),
            FileNameResult::kNameTooLong);
  EXPECT_FALSE(sink.FileOpen());
  EXPECT_EQ(sink.SetFileName(nameOfLength(254, u".lst").c_str(), clock), FileNameResult::kOpened);
  EXPECT_EQ(sink.CurrentPath().size(), 259u);
  const ChunkList list = ReadList(common::ToUtf8(nameOfLength(254, u".lst")));
  EXPECT_EQ(list.Slot(0).Path().size(), 259u);
}

TEST(SetFileName, DummyWithoutListHasNoPath) {
  test::TempDir dir;
  const auto previous = fs::current_path();
  fs::current_path(dir.Path());
  {
    Mpeg2SinkCore sink;
    FilterClock clock;
    EXPECT_EQ(sink.SetFileName(u"dummy.mpg", clock), FileNameResult::kNoPath);
    EXPECT_FALSE(sink.FileOpen());
    // The default list was opened in the current folder.
    EXPECT_EQ(ReadList(dir.Path() / "MPEG-2 Sink.lst").liveCount, 1);
  }
  fs::current_path(previous);
}

TEST(SetFileName, SecondListNameIsRefusedAndChangesNothing) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  FilterClock clock;
  ASSERT_EQ(sink.SetFileName(dir.File("a.lst").c_str(), clock), FileNameResult::kOpened);
  const auto before = test::ReadAll(dir.Path() / "a.lst");
  EXPECT_EQ(sink.SetFileName(dir.File("b.lst").c_str(), clock), FileNameResult::kSecondList);
  EXPECT_FALSE(fs::exists(dir.Path() / "b.lst"));
  EXPECT_EQ(test::ReadAll(dir.Path() / "a.lst"), before);
  EXPECT_TRUE(sink.FileOpen());
  EXPECT_EQ(sink.CurrentPath(), dir.File("a_0000.mpg"));
}

TEST(SetFileName, RecordingNameJoinsTheListAndDummyReturns) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("t.lst").c_str(), feeder.clock), FileNameResult::kOpened);
  FeedSecond(feeder, 0);
  ASSERT_EQ(sink.SetFileName(dir.File("Show.mpg").c_str(), feeder.clock), FileNameResult::kOpened);
  EXPECT_EQ(sink.GetCurFile(), dir.File("t.lst"));
  // The closed chunk ends with the program end code.
  const auto chunk = test::ReadAll(dir.Path() / "t_0000.mpg");
  ASSERT_GE(chunk.size(), 4u);
  EXPECT_TRUE(std::equal(chunk.end() - 4, chunk.end(), std::begin(kProgramEndCode)));
  ChunkList list = ReadList(dir.Path() / "t.lst");
  EXPECT_EQ(list.newest, 1);
  EXPECT_EQ(list.Slot(1).keep, 1);
  EXPECT_EQ(list.Slot(1).Path(), dir.File("Show.mpg"));
  // A recording is never split by time.
  FeedSecond(feeder, 20LL * 60 * 10'000'000);
  EXPECT_EQ(ReadList(dir.Path() / "t.lst").newest, 1);
  ASSERT_EQ(sink.SetFileName(u"dummy.mpg", feeder.clock), FileNameResult::kOpened);
  EXPECT_EQ(sink.CurrentPath(), dir.File("t_0002.mpg"));
}

TEST(SetFileName, ARecordingThatCannotBeCreatedLeavesTheBufferRunning) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("t.lst").c_str(), feeder.clock), FileNameResult::kOpened);
  FeedSecond(feeder, 0);
  EXPECT_EQ(sink.SetFileName(dir.File("missing/Show.mpg").c_str(), feeder.clock),
            FileNameResult::kCreateFailed);
  // The failed name is not in the list; the buffer goes on in the next chunk.
  EXPECT_TRUE(sink.FileOpen());
  EXPECT_EQ(sink.CurrentPath(), dir.File("t_0001.mpg"));
  const ChunkList list = ReadList(dir.Path() / "t.lst");
  EXPECT_EQ(list.newest, 1);
  EXPECT_EQ(list.liveCount, 2);
  EXPECT_EQ(list.Slot(1).keep, 0);
}

TEST(ChunkRing, RolloverEveryFifteenMinutesAndKeepProtectsRecordings) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  constexpr std::int64_t kMinute = 60LL * 10'000'000;
  feeder.clock.streamTime = 0;
  ASSERT_EQ(sink.SetFileName(dir.File("x.lst").c_str(), feeder.clock), FileNameResult::kOpened);
  FeedSecond(feeder, 0);
  FeedSecond(feeder, 15 * kMinute);  // exactly 15 minutes: not yet
  EXPECT_EQ(ReadList(dir.Path() / "x.lst").newest, 0);
  FeedSecond(feeder, 15 * kMinute + 10'000'000);
  ChunkList list = ReadList(dir.Path() / "x.lst");
  EXPECT_EQ(list.newest, 1);
  EXPECT_EQ(list.Slot(1).Path(), dir.File("x_0001.mpg"));
  // A caller-named recording in the middle of the ring.
  ASSERT_EQ(sink.SetFileName(dir.File("keep.mpg").c_str(), feeder.clock), FileNameResult::kOpened);
  FeedSecond(feeder, 17 * kMinute);
  ASSERT_EQ(sink.SetFileName(u"dummy", feeder.clock), FileNameResult::kOpened);
  std::int64_t now = 17 * kMinute;
  for (int i = 0; i < 5; ++i) {
    now += 16 * kMinute;
    FeedSecond(feeder, now);
  }
  list = ReadList(dir.Path() / "x.lst");
  EXPECT_EQ(list.newest, 8);
  EXPECT_EQ(list.oldest, 4);
  EXPECT_EQ(list.liveCount, 5);
  EXPECT_EQ(list.nextNumber, 9);
  for (std::int32_t i = list.oldest; i <= list.newest; ++i)
    EXPECT_EQ(list.Slot(i).sequence, i);
  // Automatic chunks that left the ring are deleted; the recording is not.
  EXPECT_FALSE(fs::exists(dir.Path() / "x_0000.mpg"));
  EXPECT_FALSE(fs::exists(dir.Path() / "x_0001.mpg"));
  EXPECT_FALSE(fs::exists(dir.Path() / "x_0003.mpg"));
  EXPECT_TRUE(fs::exists(dir.Path() / "keep.mpg"));
  EXPECT_EQ(fs::file_size(dir.Path() / "keep.mpg") % 2048, 4u);
  for (int i = 4; i <= 8; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "x_%04d.mpg", i);
    EXPECT_TRUE(fs::exists(dir.Path() / name)) << name;
  }
  // Freed slots are zeroed (entry 2, the recording, left the ring).
  EXPECT_EQ(list.slots[2].state, kSlotFree);
  EXPECT_EQ(list.slots[2].keep, 0);
  EXPECT_EQ(list.slots[2].Path(), u"");
}

TEST(FullDisk, WritesFailWithoutCorruptingListOrPacks) {
  test::TempDir dir;
  test::QuotaFileSystem quota(1'000'000);
  Mpeg2SinkCore sink(quota);
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("f.lst").c_str(), feeder.clock), FileNameResult::kOpened);
  const auto list0 = test::ReadAll(dir.Path() / "f.lst");
  test::FeedProgramme(feeder, 8.0);  // far more than the budget
  EXPECT_GT(sink.Stats().packsLost, 0u);
  // The chunk holds whole packs only.
  EXPECT_EQ(fs::file_size(dir.Path() / "f_0000.mpg") % 2048, 0u);
  // Adding a chunk cannot rewrite the list: the old copy stays whole.
  quota.SetBudget(0);
  EXPECT_EQ(sink.SetFileName(u"dummy.mpg", feeder.clock), FileNameResult::kOpened);
  EXPECT_EQ(sink.Stats().listWriteFailures, 1u);
  EXPECT_EQ(test::ReadAll(dir.Path() / "f.lst"), list0);
  EXPECT_TRUE(ChunkList::Parse(list0));
  // Space comes back: writing and the list continue.
  quota.SetBudget(100'000'000);
  const auto lost = sink.Stats().packsLost;
  test::FeedProgramme(feeder, 2.0, 10 * 10'000'000);
  EXPECT_EQ(sink.Stats().packsLost, lost);
  EXPECT_EQ(sink.SetFileName(u"dummy.mpg", feeder.clock), FileNameResult::kOpened);
  const ChunkList list = ReadList(dir.Path() / "f.lst");
  EXPECT_EQ(list.newest, 2);
  const auto chunk1 = test::ReadAll(dir.Path() / "f_0001.mpg");
  EXPECT_EQ(chunk1.size() % 2048, 4u);
  const auto packs = test::DecodeFile(chunk1);  // every pack decodes
  EXPECT_GT(packs.size(), 10u);
}

// A recording on `quota` that runs out of space after the first second.
struct FullRecording {
  test::TempDir dir;
  test::QuotaFileSystem quota{100'000'000};
  Mpeg2SinkCore sink{quota};
  test::SinkFeeder feeder{sink};

  void FillTheDisk() {
    ASSERT_EQ(sink.SetFileName(dir.File("r.lst").c_str(), feeder.clock), FileNameResult::kOpened);
    FeedSecond(feeder, 0);
    ASSERT_EQ(sink.SetFileName(dir.File("Show.mpg").c_str(), feeder.clock),
              FileNameResult::kOpened);
    quota.SetBudget(300'000);
    test::FeedProgramme(feeder, 4.0, 10'000'000);
  }
};

TEST(FullDisk, ARecordingThatFillsTheDiskStillEndsWithTheEndCode) {
  FullRecording r;
  r.FillTheDisk();
  EXPECT_GT(r.sink.Stats().recordingPacksLost, 0u);
  // Closed with no space left at all: the last group gives way to the end code.
  ASSERT_EQ(r.sink.SetFileName(u"dummy.mpg", r.feeder.clock), FileNameResult::kOpened);
  EXPECT_EQ(r.sink.Stats().recordingPacksLost, 0u);
  const auto file = test::ReadAll(r.dir.Path() / "Show.mpg");
  ASSERT_EQ(file.size() % 2048, 4u);
  EXPECT_TRUE(std::equal(file.end() - 4, file.end(), std::begin(kProgramEndCode)));
  EXPECT_GT(test::DecodeFile(file).size(), 10u);
}

TEST(FullDisk, ARecordingTakesNothingMoreAfterAFailedWrite) {
  FullRecording r;
  r.FillTheDisk();
  const auto size = fs::file_size(r.dir.Path() / "Show.mpg");
  // Space that comes back would leave a gap in the programme: it goes unused.
  r.quota.SetBudget(100'000'000);
  test::FeedProgramme(r.feeder, 1.0, 6 * 10'000'000);
  EXPECT_EQ(fs::file_size(r.dir.Path() / "Show.mpg"), size);
}

TEST(FullDisk, GatheredWritesKeepWhatFitsAndCountTheSameLosses) {
  FullRecording direct;
  FullRecording gathered;
  gathered.sink.SetWriteBatch(64 * 1024);
  for (FullRecording* r : {&direct, &gathered}) {
    // Groups smaller than the refused write still fit, as on a real disk.
    r->quota.KeepSpaceOnRefusal();
    r->FillTheDisk();
    ASSERT_EQ(r->sink.SetFileName(u"dummy.mpg", r->feeder.clock), FileNameResult::kOpened);
  }
  const SinkStats a = direct.sink.Stats();
  const SinkStats b = gathered.sink.Stats();
  EXPECT_GT(b.packsLost, 0u);
  EXPECT_EQ(b.packsWritten, a.packsWritten);
  EXPECT_EQ(b.packsLost, a.packsLost);
  const auto file = test::ReadAll(gathered.dir.Path() / "Show.mpg");
  ASSERT_EQ(file.size() % 2048, 4u);
  EXPECT_TRUE(std::equal(file.end() - 4, file.end(), std::begin(kProgramEndCode)));
  EXPECT_EQ(file, test::ReadAll(direct.dir.Path() / "Show.mpg"));
}

TEST(FullDisk, RecordingIntoDevFull) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("d.lst").c_str(), feeder.clock), FileNameResult::kOpened);
  ASSERT_EQ(sink.SetFileName(u"/dev/full", feeder.clock), FileNameResult::kOpened);
  test::FeedProgramme(feeder, 3.0);
  EXPECT_GT(sink.Stats().packsLost, 0u);
  EXPECT_EQ(sink.Stats().packsWritten, 0u);
  ASSERT_EQ(sink.SetFileName(u"dummy.mpg", feeder.clock), FileNameResult::kOpened);
  const ChunkList list = ReadList(dir.Path() / "d.lst");
  EXPECT_EQ(list.newest, 2);
  EXPECT_EQ(list.Slot(1).Path(), u"/dev/full");
  EXPECT_EQ(list.Slot(1).keep, 1);
  EXPECT_TRUE(fs::exists("/dev/full"));
}

}  // namespace
}  // namespace filters

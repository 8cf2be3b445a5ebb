// The writer and reader on their own threads: the reader follows a list the
// writer keeps replacing, and a Stop or SetFileName racing Receive never
// leaves packs after a file's end code.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "filters/sink/Mpeg2SinkCore.h"
#include "filters/sink/PsFormat.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "tests/sink/SinkFeeder.h"

namespace filters {
namespace {

constexpr std::int64_t kSecond = 10'000'000;

TEST(Concurrency, ReaderFollowsWriterThroughRollovers) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("live.lst").c_str(), feeder.clock), FileNameResult::kOpened);
  test::FeedProgramme(feeder, 0.5, 0);

  Mpeg2SourceCore source;
  ASSERT_EQ(source.Load(dir.File("live.lst").c_str()), S_OK);
  std::atomic<bool> done{false};
  std::vector<std::uint8_t> text;
  std::thread reader([&] {
    SourceRead read;
    bool drained = false;
    while (!drained) {
      const bool finished = done.load();
      const ReadStatus status = source.ReadNext(read);
      if (status == ReadStatus::kData) {
        for (const auto& p : read.payloads) {
          if (p.stream == PinType::kText) text.insert(text.end(), p.bytes.begin(), p.bytes.end());
        }
      } else {
        std::int64_t a = 0, b = 0;
        source.GetAvailable(a, b);
        drained = finished;  // one more pass after the writer stopped
        std::this_thread::yield();
      }
    }
  });

  std::vector<std::uint8_t> sent;
  for (int chunk = 0; chunk < 7; ++chunk) {
    const auto part = test::FeedProgramme(feeder, 3.0, chunk * 16LL * 60 * kSecond + kSecond);
    sent.insert(sent.end(), part.text.begin(), part.text.end());
  }
  done = true;
  reader.join();
  EXPECT_EQ(sink.List().newest, 6);
  // Every copy of the list the reader met was whole.
  EXPECT_EQ(source.Stats().listCopiesIgnored, 0u);
  EXPECT_EQ(source.CurrentEntry(), 6);
  // Records arrive whole; after the writer stopped the reader drained the
  // newest chunk up to the last record written (the very last one is held).
  ASSERT_GE(text.size(), 7u);
  EXPECT_EQ(text.size() % 7, 0u);
  EXPECT_TRUE(std::equal(text.end() - 7, text.end(), sent.end() - 14));
}

TEST(Concurrency, StopRacingReceiveNeverWritesAfterEndCode) {
  test::TempDir dir;
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("race.lst").c_str(), feeder.clock), FileNameResult::kOpened);
  std::atomic<bool> done{false};
  std::thread control([&] {
    FilterClock clock;
    for (int i = 0; i < 40 && !done; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      if (i % 2 == 0) {
        sink.Stop();
      } else {
        sink.SetFileName(u"dummy.mpg", clock);
      }
    }
  });
  test::FeedProgramme(feeder, 20.0, 0, false);
  done = true;
  control.join();
  sink.Stop();
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    if (entry.path().extension() != ".mpg") continue;
    ++files;
    const auto bytes = test::ReadAll(entry.path());
    // Closed once: whole packs, then exactly one end code at the very end.
    ASSERT_EQ(bytes.size() % kPackSize, 4u) << entry.path();
    EXPECT_TRUE(std::equal(bytes.end() - 4, bytes.end(), std::begin(kProgramEndCode)));
    for (std::size_t off = 0; off + kPackSize <= bytes.size(); off += kPackSize) {
      ASSERT_EQ(bytes[off + 3], 0xBA) << entry.path() << " at " << off;
    }
  }
  EXPECT_GE(files, 2);
}

}  // namespace
}  // namespace filters

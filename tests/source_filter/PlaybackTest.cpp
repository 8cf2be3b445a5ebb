// The "MPEG-2 Source" in a graph: what reaches the renderers from a recording
// and from a growing chunk list, damaged inputs, and stopping mid-stream.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "filters/sink/Mpeg2SinkCore.h"
#include "tests/sink/SinkFeeder.h"
#include "tests/source_filter/SourceGraph.h"
#include "tests/support/Bytes.h"
#include "tests/support/Wait.h"

namespace filters {
namespace {

constexpr std::int64_t kSecond = 10'000'000;
constexpr PinType kStreams[] = {PinType::kVideo, PinType::kAudio, PinType::kText};

using testsupport::IsPrefix;
using testsupport::WriteBytes;

test::SentStreams WriteRecording(const std::u16string& path, double seconds, std::int64_t start) {
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  EXPECT_EQ(sink.SetFileName(path.c_str(), feeder.clock), FileNameResult::kOpened);
  auto sent = test::FeedProgramme(feeder, seconds, start);
  sink.Stop();
  return sent;
}

// Waits until `done` holds (true) or the time runs out (false).
using testsupport::WaitUntil;

TEST(SourcePlayback, RecordingDeliversEveryPayloadInOrderWithItsTimeThenEnds) {
  test::TempDir dir;
  const auto path = dir.File("show.mpg");
  const auto sent = WriteRecording(path, 5.0, 3 * kSecond);

  test::SourceGraph g;
  ASSERT_EQ(g.Load(path), S_OK);
  g.ConnectAll();
  // The fixed format blocks travel with the connection.
  AM_MEDIA_TYPE video, audio, text;
  ASSERT_EQ(g.source->GetPin(0)->ConnectionMediaType(&video), S_OK);
  ASSERT_EQ(g.source->GetPin(1)->ConnectionMediaType(&audio), S_OK);
  ASSERT_EQ(g.source->GetPin(2)->ConnectionMediaType(&text), S_OK);
  EXPECT_EQ(video.subtype, MEDIASUBTYPE_MPEG2_VIDEO);
  EXPECT_EQ(video.cbFormat, 218u);
  EXPECT_EQ(video.lSampleSize, 8192u);
  EXPECT_EQ(audio.subtype, MEDIASUBTYPE_DOLBY_AC3);
  EXPECT_EQ(audio.cbFormat, 40u);
  EXPECT_EQ(text.majortype, MEDIATYPE_TextStream);
  EXPECT_EQ(text.cbFormat, 0u);
  for (auto* mt : {&video, &audio, &text})
    FreeMediaType(*mt);

  ASSERT_TRUE(SUCCEEDED(g.graph->Run()));
  LONG code = 0;
  ASSERT_EQ(g.graph->WaitForCompletion(20'000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);

  for (PinType stream : kStreams) {
    SCOPED_TRACE(static_cast<int>(stream));
    const auto expected = test::CorePayloads(path, stream);
    const auto got = g.Renderer(stream).Samples();
    EXPECT_EQ(g.Renderer(stream).EndOfStreamCount(), 1);
    ASSERT_EQ(got.size(), expected.size());
    ASSERT_FALSE(got.empty());
    for (std::size_t i = 0; i < got.size(); ++i) {
      ASSERT_EQ(got[i].data, expected[i].bytes) << i;
      ASSERT_EQ(got[i].hasTime, expected[i].hasPts) << i;
      EXPECT_EQ(got[i].syncPoint, expected[i].hasPts) << i;
      EXPECT_EQ(got[i].discontinuity, i == 0) << i;
      EXPECT_FALSE(got[i].hasMediaTime);
      if (got[i].hasTime) {
        EXPECT_EQ(got[i].start, expected[i].pts100) << i;  // position 0
        EXPECT_EQ(got[i].stop, got[i].start + 1) << i;
      }
    }
  }
  // Against what was recorded: the streams come back whole (the writer
  // holds back only its last groups) and timed samples carry the recorded
  // times plus the file's one-second offset.
  const auto videoBytes = g.Renderer(PinType::kVideo).AllBytes();
  EXPECT_TRUE(IsPrefix(videoBytes, sent.video));
  EXPECT_GT(videoBytes.size(), sent.video.size() - 20000);
  EXPECT_EQ(g.Renderer(PinType::kText).AllBytes(),
            std::vector<std::uint8_t>(sent.text.begin(), sent.text.end() - 7));
  std::size_t picture = 0;
  for (const auto& s : g.Renderer(PinType::kVideo).Samples()) {
    if (!s.hasTime) continue;
    ASSERT_LT(picture, sent.videoTimes.size());
    EXPECT_LE(std::abs(s.start - (sent.videoTimes[picture++] + kSecond)), 112);
  }
  EXPECT_GT(picture, sent.videoTimes.size() - 5);
}

TEST(SourcePlayback, FollowsTheGrowingNewestChunkWithoutEnding) {
  test::TempDir dir;
  const auto list = dir.File("tv.lst");
  Mpeg2SinkCore sink;
  test::SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(list.c_str(), feeder.clock), FileNameResult::kOpened);
  auto sent = test::FeedProgramme(feeder, 2.0);

  test::SourceGraph g;
  ASSERT_EQ(g.Load(list), S_OK);
  g.ConnectAll();
  ASSERT_TRUE(SUCCEEDED(g.graph->Run()));
  auto& video = g.Renderer(PinType::kVideo);
  auto readable = [&] { return test::CoreBytes(list, PinType::kVideo); };
  const auto firstPart = readable();
  ASSERT_FALSE(firstPart.empty());
  EXPECT_TRUE(WaitUntil([&] { return video.AllBytes().size() == firstPart.size(); }));

  // The writer goes on while the player waits at the live edge.
  const auto more = test::FeedProgramme(feeder, 2.0, 2 * kSecond);
  sent.video.insert(sent.video.end(), more.video.begin(), more.video.end());
  const auto secondPart = readable();
  ASSERT_GT(secondPart.size(), firstPart.size() + 20000);
  EXPECT_TRUE(WaitUntil([&] { return video.AllBytes().size() == secondPart.size(); }));
  EXPECT_EQ(video.AllBytes(), secondPart);
  EXPECT_TRUE(IsPrefix(secondPart, sent.video));

  for (PinType stream : kStreams)
    EXPECT_EQ(g.Renderer(stream).EndOfStreamCount(), 0);
  EXPECT_TRUE(g.source->StreamingThreadRunning());
  // Times keep rising across the append; one discontinuity, at the start.
  std::int64_t last = -1;
  int discontinuities = 0;
  for (const auto& s : video.Samples()) {
    discontinuities += s.discontinuity;
    if (!s.hasTime) continue;
    EXPECT_GT(s.start, last);
    last = s.start;
  }
  EXPECT_EQ(discontinuities, 1);
  EXPECT_GT(last, 3 * kSecond);
}

std::vector<std::uint8_t> Garbage(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes)
    b = static_cast<std::uint8_t>(random());
  // Start codes here and there, so the parser sees headers with wild lengths.
  for (std::size_t i = 0; i + 4 < size; i += 97) {
    bytes[i] = 0;
    bytes[i + 1] = 0;
    bytes[i + 2] = 1;
  }
  return bytes;
}

TEST(SourcePlayback, DamagedOrMissingFilesFailToLoadOrEndCleanly) {
  test::TempDir dir;
  // A recording cut off in the middle of a pack.
  const auto cut = dir.Path() / "cut.mpg";
  const auto sent = WriteRecording(test::U16(cut), 3.0, 0);
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2 + 1000);
  WriteBytes(dir.Path() / "noise.mpg", Garbage(50'000, 1));
  WriteBytes(dir.Path() / "noise.lst", Garbage(4272, 2));
  WriteBytes(dir.Path() / "short.lst", Garbage(100, 3));

  struct Case {
    const char* name;
    bool loads;
  };
  for (const Case c :
       {Case{"cut.mpg", true}, Case{"noise.mpg", true}, Case{"noise.lst", false},
        Case{"short.lst", false}, Case{"missing.mpg", false}, Case{"missing.lst", false}}) {
    SCOPED_TRACE(c.name);
    test::SourceGraph g;
    const HRESULT hr = g.Load(dir.File(c.name));
    EXPECT_EQ(SUCCEEDED(hr), c.loads);
    g.ConnectAll();
    // Whatever loaded, running ends with end of stream on every pin.
    ASSERT_TRUE(SUCCEEDED(g.graph->Run()));
    LONG code = 0;
    ASSERT_EQ(g.graph->WaitForCompletion(10'000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    for (PinType stream : kStreams)
      EXPECT_EQ(g.Renderer(stream).EndOfStreamCount(), 1);
    if (std::string(c.name) == "cut.mpg") {
      const auto video = g.Renderer(PinType::kVideo).AllBytes();
      EXPECT_TRUE(IsPrefix(video, sent.video));
      EXPECT_GT(video.size(), sent.video.size() / 3);
    }
    EXPECT_EQ(g.graph->Stop(), S_OK);
  }
}

TEST(SourcePlayback, StopWhileStreamingEndsTheThreadAndRunStartsOver) {
  test::TempDir dir;
  const auto path = dir.File("long.mpg");
  WriteRecording(path, 20.0, 0);

  test::SourceGraph g;
  ASSERT_EQ(g.Load(path), S_OK);
  g.ConnectAll();
  auto& video = g.Renderer(PinType::kVideo);
  video.SetRenderDelay(2);  // a slow decoder: the reader is far from the end
  ASSERT_TRUE(SUCCEEDED(g.graph->Run()));
  ASSERT_TRUE(video.WaitForSamples(20, 10'000));
  ASSERT_EQ(g.graph->Stop(), S_OK);
  EXPECT_FALSE(g.source->StreamingThreadRunning());
  const std::size_t count = video.Samples().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(video.Samples().size(), count);
  EXPECT_EQ(video.EndOfStreamCount(), 0);
  const auto expected = test::CorePayloads(path, PinType::kVideo);
  ASSERT_LT(count, expected.size());

  // Running again starts over from the current position (0) and plays to the end.
  video.SetRenderDelay(0);
  ASSERT_TRUE(SUCCEEDED(g.graph->Run()));
  LONG code = 0;
  ASSERT_EQ(g.graph->WaitForCompletion(20'000, &code), S_OK);
  const auto all = video.Samples();
  ASSERT_EQ(all.size(), count + expected.size());
  EXPECT_TRUE(all[count].discontinuity);
  EXPECT_EQ(all[count].data, expected.front().bytes);
  EXPECT_EQ(all.back().data, expected.back().bytes);
}

}  // namespace
}  // namespace filters

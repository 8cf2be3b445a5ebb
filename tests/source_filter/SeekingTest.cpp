// Seeking through the graph into a chunk list while playing, the seeking
// rules of the source, and creating it by class id.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "filters/sink/Mpeg2SinkCore.h"
#include "filters/sink/PsFormat.h"
#include "filters/source/PackParser.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/TaskMemory.h"
#include "tests/sink/SinkFeeder.h"
#include "tests/source_filter/SourceGraph.h"

namespace filters {
namespace {

constexpr std::int64_t kSecond = 10'000'000;

// The first payload of `stream` in the file's packs from `index` on, with
// its PTS (27 MHz, -1 when none).
std::pair<std::vector<std::uint8_t>, std::int64_t> FirstPayloadFrom(
    const std::vector<std::uint8_t>& file, std::size_t index, PinType stream) {
  ParsedPack pack;
  for (std::size_t off = index * kPackSize; off + kPackSize <= file.size(); off += kPackSize) {
    ParsePack(std::span(file).subspan(off, kPackSize), pack);
    for (const EsPayload& p : pack.payloads) {
      if (p.stream == stream) return {{p.bytes.begin(), p.bytes.end()}, p.hasPts ? p.pts27 : -1};
    }
  }
  return {{}, -1};
}

TEST(SourceSeeking, SeekWhilePlayingStartsInTheSecondChunkAtTheFirstPackReachingTheTarget) {
  test::TempDir dir;
  test::WriteThreeChunks(dir);
  const auto chunk = test::ReadAll(dir.Path() / "s_0001.mpg");
  std::vector<std::int64_t> scrs;
  ParsedPack pack;
  for (std::size_t off = 0; off + kPackSize <= chunk.size(); off += kPackSize) {
    ParsePack(std::span(chunk).subspan(off, kPackSize), pack, true);
    scrs.push_back(pack.scr27);
  }
  const std::int64_t target = Time100ns(scrs[scrs.size() / 2]) + 1234;
  const auto index = static_cast<std::size_t>(
      std::lower_bound(scrs.begin(), scrs.end(), target * 27 / 10) - scrs.begin());
  ASSERT_LT(index, scrs.size());

  test::SourceGraph g;
  ASSERT_EQ(g.Load(dir.File("s.lst")), S_OK);
  g.ConnectAll();
  ASSERT_TRUE(SUCCEEDED(g.graph->Run()));
  ASSERT_TRUE(g.Renderer(PinType::kVideo).WaitForSamples(50, 10'000));
  // The seek's flush drops whatever the output queues still hold, the first
  // sample (the first discontinuity) included when a queue's worker has not
  // run yet; so the audio stream must have begun before the seek, or its
  // renderer would only ever see the restart's discontinuity.
  ASSERT_TRUE(g.Renderer(PinType::kAudio).WaitForSamples(1, 10'000));

  LONGLONG position = target;
  ASSERT_EQ(g.graph->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                  AM_SEEKING_NoPositioning),
            S_OK);
  LONGLONG current = 0;
  ASSERT_EQ(g.source->GetCurrentPosition(&current), S_OK);
  EXPECT_EQ(current, target);

  for (PinType stream : {PinType::kVideo, PinType::kAudio}) {
    SCOPED_TRACE(static_cast<int>(stream));
    auto& renderer = g.Renderer(stream);
    auto restarted = [&] {
      const auto samples = renderer.Samples();
      return std::count_if(samples.begin(), samples.end(),
                           [](const auto& s) { return s.discontinuity; });
    };
    for (int i = 0; i < 2000 && restarted() < 2; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // One restart for the seek, although three renderers passed it upstream.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(restarted(), 2);
    const auto samples = renderer.Samples();
    const auto first = std::find_if(samples.rbegin(), samples.rend(),
                                    [](const auto& s) { return s.discontinuity; });
    const auto [bytes, pts27] = FirstPayloadFrom(chunk, index, stream);
    EXPECT_EQ(first->data, bytes);
    ASSERT_GE(pts27, 0);
    ASSERT_TRUE(first->hasTime);
    // Sample times count from the new position.
    EXPECT_EQ(first->start, Time100ns(pts27) - target);
    EXPECT_GT(first->start, -kSecond);
    EXPECT_LT(first->start, kSecond);
  }
}

TEST(SourceSeeking, CapabilitiesRangeRatesAndCreationByClassId) {
  RegisterMpeg2SourceClass();
  ComPtr<IBaseFilter> created;
  ASSERT_EQ(
      CoCreateInstance(CLSID_MPEG2Source, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&created)),
      S_OK);
  const char16_t* names[] = {u"Video", u"Audio", u"Text"};
  for (int i = 0; i < 3; ++i) {
    ComPtr<IPin> pin;
    ASSERT_EQ(created->FindPin(names[i], &pin), S_OK);
    PIN_DIRECTION direction;
    pin->QueryDirection(&direction);
    EXPECT_EQ(direction, PINDIR_OUTPUT);
  }
  ComPtr<IMediaSeeking> seeking;
  ComPtr<IFileSourceFilter> fileSource;
  ComPtr<IMPEG2Source> own;
  ComPtr<IAMovieSetup> setup;
  ASSERT_EQ(created->QueryInterface(IID_PPV_ARGS(&seeking)), S_OK);
  ASSERT_EQ(created->QueryInterface(IID_PPV_ARGS(&fileSource)), S_OK);
  EXPECT_EQ(created->QueryInterface(IID_PPV_ARGS(&own)), S_OK);
  EXPECT_EQ(created->QueryInterface(IID_PPV_ARGS(&setup)), S_OK);

  DWORD caps = 0;
  EXPECT_EQ(seeking->GetCapabilities(&caps), S_OK);
  EXPECT_EQ(caps, 0x37u);
  LONGLONG duration = 0, stop = 0;
  seeking->GetDuration(&duration);
  seeking->GetStopPosition(&stop);
  EXPECT_EQ(duration, 0x3FFFFFFFFFFFFFFF);
  EXPECT_EQ(stop, 0x3FFFFFFFFFFFFFFF);
  double rate = 0;
  EXPECT_EQ(seeking->SetRate(2.0), S_OK);
  seeking->GetRate(&rate);
  EXPECT_EQ(rate, 2.0);
  for (double refused : {0.0, -1.0}) {
    EXPECT_EQ(seeking->SetRate(refused), E_FAIL);
    seeking->GetRate(&rate);
    EXPECT_EQ(rate, 1.0);
  }

  // A recording: its available range, and the rate reaching the renderers
  // through the new segment while sample times stay unscaled.
  test::TempDir dir;
  const auto path = dir.File("r.mpg");
  {
    Mpeg2SinkCore sink;
    test::SinkFeeder feeder{sink};
    ASSERT_EQ(sink.SetFileName(path.c_str(), feeder.clock), FileNameResult::kOpened);
    test::FeedProgramme(feeder, 3.0, 4 * kSecond);
    sink.Stop();
  }
  test::SourceGraph g;
  ASSERT_EQ(g.Load(path), S_OK);
  LPWSTR loaded = nullptr;
  ASSERT_EQ(g.source->GetCurFile(&loaded, nullptr), S_OK);
  EXPECT_EQ(std::u16string(loaded), path);
  CoTaskMemFree(loaded);
  LONGLONG earliest = 0, latest = 0;
  ASSERT_EQ(g.source->GetAvailable(&earliest, &latest), S_OK);
  EXPECT_GE(earliest, 5 * kSecond - kSecond / 2);  // the first pack leads its data
  EXPECT_LE(earliest, 5 * kSecond);
  EXPECT_GT(latest, earliest + 2 * kSecond);

  g.ConnectAll();
  ASSERT_TRUE(SUCCEEDED(g.graph->Pause()));
  EXPECT_EQ(g.Load(path), VFW_E_NOT_STOPPED);
  ASSERT_EQ(g.graph->SetRate(1.5), S_OK);
  ASSERT_TRUE(SUCCEEDED(g.graph->Run()));
  LONG code = 0;
  ASSERT_EQ(g.graph->WaitForCompletion(20'000, &code), S_OK);
  ASSERT_EQ(g.graph->Stop(), S_OK);
  EXPECT_EQ(g.Renderer(PinType::kVideo).InputPin()->CurrentRate(), 1.5);
  const auto expected = test::CorePayloads(path, PinType::kVideo);
  const auto got = g.Renderer(PinType::kVideo).Samples();
  ASSERT_FALSE(got.empty());
  ASSERT_EQ(got.size(), expected.size());
  // Sample times are PTS minus the position, not scaled by the rate.
  const auto timed =
      std::find_if(expected.rbegin(), expected.rend(), [](const auto& p) { return p.hasPts; });
  ASSERT_NE(timed, expected.rend());
  const auto& sample = got[static_cast<std::size_t>(expected.rend() - timed) - 1];
  ASSERT_TRUE(sample.hasTime);
  EXPECT_EQ(sample.start, timed->pts100);
  EXPECT_GT(sample.start, 6 * kSecond);
}

}  // namespace
}  // namespace filters

// The "Video Analyzer" between the demultiplexer and a renderer, as the tuner
// graph puts it in front of the buffer sink, and the null renderer.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/av/AvClasses.h"
#include "platform/av/NullRenderer.h"
#include "platform/av/VideoAnalyzer.h"
#include "tests/demux/SyntheticMux.h"
#include "tests/demux_filter/DemuxGraph.h"
#include "tests/platform_media/TestFilters.h"

namespace av {
namespace {

using demux::test::Bytes;
using demux::test::DemuxGraph;
using Sample = CCaptureRenderer::Sample;

constexpr ULONG kVideoPid = 0x31;
constexpr ULONG kAudioPid = 0x34;

auto Fields(const Sample& s) {
  return std::tie(s.data, s.hasTime, s.start, s.stop, s.hasMediaTime, s.mediaStart, s.mediaStop,
                  s.syncPoint, s.discontinuity, s.preroll, s.typeSpecificFlags);
}

// Two multiplexes back to back, the second after lost bytes, so the video
// carries timed and untimed samples, sync points and discontinuities.
std::vector<Bytes> TwoMultiplexes() {
  return {demux::test::SyntheticMux({.seconds = 0.3}),
          demux::test::SyntheticMux({.seconds = 0.2, .firstPcr = 27'000'000})};
}

void MapVideoAndAudio(DemuxGraph& g) {
  ASSERT_EQ(DemuxGraph::Map(g.videoPin.Get(), {kVideoPid}, MEDIA_ELEMENTARY_STREAM), S_OK);
  ASSERT_EQ(DemuxGraph::Map(g.audioPin.Get(), {kAudioPid}, MEDIA_ELEMENTARY_STREAM), S_OK);
}

// Puts the analyzer between the demultiplexer's video pin and its renderer.
void InsertAnalyzer(DemuxGraph& g, CMpeg2VideoAnalyzer* analyzer) {
  ASSERT_EQ(g.graph->AddFilter(analyzer, u"Video Analyzer"), S_OK);
  ASSERT_EQ(g.graph->Disconnect(g.videoPin.Get()), S_OK);
  ASSERT_EQ(g.graph->Disconnect(g.video->InputPin()), S_OK);
  ASSERT_EQ(g.graph->ConnectDirect(g.videoPin.Get(), analyzer->InputPin(), nullptr), S_OK);
  ASSERT_EQ(g.graph->ConnectDirect(analyzer->OutputPin(), g.video->InputPin(), nullptr), S_OK);
}

std::vector<Sample> DirectVideo() {
  auto segments = TwoMultiplexes();
  DemuxGraph g(segments, 188 * 64);
  g.source->MarkDiscontinuity(1);
  MapVideoAndAudio(g);
  g.RunToCompletion();
  return g.video->Samples();
}

TEST(VideoAnalyzer, PassesDemuxSamplesThroughUnchanged) {
  const std::vector<Sample> direct = DirectVideo();
  std::size_t timed = 0, untimed = 0, syncPoints = 0, discontinuities = 0;
  for (const Sample& s : direct) {
    (s.hasTime ? timed : untimed)++;
    syncPoints += s.syncPoint;
    discontinuities += s.discontinuity;
  }
  ASSERT_GT(timed, 0u);
  ASSERT_GT(untimed, 0u);
  ASSERT_GT(syncPoints, 0u);
  ASSERT_GT(discontinuities, 0u);

  // The same input through the analyzer; the audio goes to a null renderer.
  auto segments = TwoMultiplexes();
  DemuxGraph g(segments, 188 * 64);
  g.source->MarkDiscontinuity(1);
  MapVideoAndAudio(g);
  ComPtr<CMpeg2VideoAnalyzer> analyzer(new CMpeg2VideoAnalyzer);
  InsertAnalyzer(g, analyzer.Get());
  HRESULT hr = S_OK;
  ComPtr<CNullRenderer> audio(new CNullRenderer(&hr));
  ASSERT_EQ(g.graph->AddFilter(audio.Get(), u"Audio Null"), S_OK);
  ASSERT_EQ(g.graph->Disconnect(g.audioPin.Get()), S_OK);
  ASSERT_EQ(g.graph->Disconnect(g.audio->InputPin()), S_OK);
  ASSERT_EQ(g.graph->ConnectDirect(g.audioPin.Get(), audio->InputPin(), nullptr), S_OK);
  std::vector<REFERENCE_TIME> callbackStarts;
  audio->SetCallback([&](IMediaSample* sample) {
    REFERENCE_TIME start = -1, stop = -1;
    sample->GetTime(&start, &stop);
    callbackStarts.push_back(start);
  });
  g.RunToCompletion();

  const std::vector<Sample> passed = g.video->Samples();
  ASSERT_EQ(passed.size(), direct.size());
  for (std::size_t i = 0; i < direct.size(); ++i)
    EXPECT_TRUE(Fields(passed[i]) == Fields(direct[i])) << "sample " << i;
  EXPECT_EQ(analyzer->Samples(), direct.size());
  // At least once: a source that ran dry while paused ends its stream again at Run.
  EXPECT_GE(g.video->EndOfStreamCount(), 1);

  // The null renderer counted the audio frames and handed each to the callback.
  const CNullRenderer::Stats stats = audio->GetStats();
  ASSERT_GT(stats.samples, 2u);
  EXPECT_EQ(stats.timedSamples, stats.samples);
  EXPECT_GE(stats.endOfStreams, 1);
  ASSERT_EQ(callbackStarts.size(), stats.samples);
  EXPECT_EQ(stats.firstStart, callbackStarts.front());
  EXPECT_EQ(stats.lastStart, callbackStarts.back());
  EXPECT_GT(stats.lastStart, stats.firstStart);
  EXPECT_EQ(stats.bytes % 768, 0u);  // whole AC-3 frames of the synthetic multiplex
}

TEST(VideoAnalyzer, TakesOnlyMpeg2VideoAndPassesTheSameTypeOn) {
  ComPtr<CMpeg2VideoAnalyzer> analyzer(new CMpeg2VideoAnalyzer);
  IPin* in = analyzer->InputPin();
  CMediaType video = demux::test::VideoType();
  EXPECT_EQ(in->QueryAccept(&video), S_OK);
  CMediaType plain(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
  EXPECT_EQ(in->QueryAccept(&plain), S_OK);
  const CMediaType audio = demux::test::AudioType();
  const CMediaType sections = demux::test::SectionType();
  const CMediaType h264(MEDIATYPE_Video, MEDIASUBTYPE_H264);
  CMediaType videoInfo(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
  videoInfo.SetFormatType(&FORMAT_VideoInfo);
  const std::vector<const CMediaType*> refusedTypes{&audio, &sections, &h264, &videoInfo};
  for (const CMediaType* refused : refusedTypes)
    EXPECT_NE(in->QueryAccept(refused), S_OK);

  // Without an input connection the output has nothing to offer.
  auto segments = TwoMultiplexes();
  DemuxGraph g(segments);
  ASSERT_EQ(g.graph->AddFilter(analyzer.Get(), u"Video Analyzer"), S_OK);
  ASSERT_EQ(g.graph->Disconnect(g.video->InputPin()), S_OK);
  ASSERT_EQ(g.graph->Disconnect(g.videoPin.Get()), S_OK);
  EXPECT_TRUE(FAILED(g.graph->ConnectDirect(analyzer->OutputPin(), g.video->InputPin(), nullptr)));

  ASSERT_EQ(g.graph->Disconnect(g.audioPin.Get()), S_OK);
  ASSERT_EQ(g.graph->Disconnect(g.audio->InputPin()), S_OK);
  EXPECT_TRUE(FAILED(g.graph->ConnectDirect(g.audioPin.Get(), in, nullptr)));
  EXPECT_FALSE(analyzer->InputPin()->IsConnected());

  ASSERT_EQ(g.graph->ConnectDirect(g.videoPin.Get(), in, nullptr), S_OK);
  ASSERT_EQ(g.graph->ConnectDirect(analyzer->OutputPin(), g.video->InputPin(), nullptr), S_OK);
  CMediaType offered;
  ASSERT_EQ(analyzer->OutputPin()->ConnectionMediaType(&offered), S_OK);
  CMediaType given;
  ASSERT_EQ(g.videoPin->ConnectionMediaType(&given), S_OK);
  EXPECT_TRUE(offered == given);
  // Another type on the output would differ from the input's.
  EXPECT_NE(analyzer->OutputPin()->QueryAccept(&plain), S_OK);
}

// Reconnections on either side, as a graph rebuild makes them: samples flow
// afterwards, and the downstream pin knows the buffers the input now uses.
TEST(VideoAnalyzer, ReconnectsOnEitherSide) {
  auto segments = TwoMultiplexes();
  DemuxGraph g(segments, 188 * 64);
  MapVideoAndAudio(g);
  ComPtr<CMpeg2VideoAnalyzer> analyzer(new CMpeg2VideoAnalyzer);
  InsertAnalyzer(g, analyzer.Get());

  ASSERT_EQ(g.graph->Reconnect(analyzer->InputPin()), S_OK);
  ASSERT_EQ(g.graph->Disconnect(analyzer->OutputPin()), S_OK);
  ASSERT_EQ(g.graph->Disconnect(g.video->InputPin()), S_OK);
  ASSERT_EQ(g.graph->ConnectDirect(analyzer->OutputPin(), g.video->InputPin(), nullptr), S_OK);
  ASSERT_EQ(g.graph->Reconnect(g.videoPin.Get()), S_OK);  // the input again, after the output

  g.RunToCompletion();
  EXPECT_EQ(g.video->InputPin()->Allocator(), analyzer->InputPin()->Allocator());
  const Bytes sent = [&] {
    Bytes all;
    for (const Sample& s : DirectVideo())
      all.insert(all.end(), s.data.begin(), s.data.end());
    return all;
  }();
  const auto got = g.video->AllBytes();
  EXPECT_EQ(Bytes(got.begin(), got.end()), sent);
}

// Made by class id, as the tuner graph makes it; a seek on the renderer
// reaches the source through the analyzer, and the null renderer
// counts what follows.
TEST(VideoAnalyzer, MadeByClassIdAndSeeksUpstream) {
  media::RegisterClasses();
  RegisterClasses();
  ComPtr<IBaseFilter> made;
  ASSERT_EQ(CoCreateInstance(CLSID_Mpeg2VideoStreamAnalyzer, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(&made)),
            S_OK);
  CLSID clsid{};
  ASSERT_EQ(made->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_Mpeg2VideoStreamAnalyzer);
  ComPtr<IBaseFilter> rendererFilter;
  ASSERT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(&rendererFilter)),
            S_OK);
  auto* analyzer = dynamic_cast<CMpeg2VideoAnalyzer*>(made.Get());
  auto* renderer = dynamic_cast<CNullRenderer*>(rendererFilter.Get());
  ASSERT_NE(analyzer, nullptr);
  ASSERT_NE(renderer, nullptr);

  ComPtr<IFilterGraph2> graph;
  ASSERT_EQ(
      CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)),
      S_OK);
  graph.As<IMediaFilter>()->SetSyncSource(nullptr);
  constexpr REFERENCE_TIME kMs = 10'000;
  ComPtr<test::CTestSource> source(new test::CTestSource(demux::test::VideoType()));
  source->Stream()->Configure(10, 100, 10 * kMs);
  ASSERT_EQ(graph->AddFilter(source.Get(), u"Source"), S_OK);
  ASSERT_EQ(graph->AddFilter(analyzer, u"Video Analyzer"), S_OK);
  ASSERT_EQ(graph->AddFilter(renderer, u"Null"), S_OK);
  ASSERT_EQ(graph->ConnectDirect(source->Stream(), analyzer->InputPin(), nullptr), S_OK);
  ASSERT_EQ(graph->ConnectDirect(analyzer->OutputPin(), renderer->InputPin(), nullptr), S_OK);

  // The renderer's own seeking, which only the analyzer can carry upstream.
  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(rendererFilter->QueryInterface(IID_PPV_ARGS(&seeking)), S_OK);
  LONGLONG duration = 0;
  ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
  EXPECT_EQ(duration, 100 * kMs);
  LONGLONG position = 30 * kMs;
  ASSERT_EQ(seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                  AM_SEEKING_NoPositioning),
            S_OK);
  EXPECT_EQ(source->StartChanges(), 1);

  int discontinuities = 0;
  renderer->SetCallback(
      [&](IMediaSample* sample) { discontinuities += sample->IsDiscontinuity() == S_OK; });
  auto control = graph.As<IMediaControl>();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  LONG code = 0;
  ASSERT_EQ(graph.As<IMediaEventEx>()->WaitForCompletion(5000, &code), S_OK);
  ASSERT_EQ(control->Stop(), S_OK);

  // Samples 3 to 9, restamped from the new start.
  const CNullRenderer::Stats stats = renderer->GetStats();
  EXPECT_EQ(stats.samples, 7u);
  EXPECT_EQ(stats.bytes, 700u);
  EXPECT_EQ(stats.firstStart, 0);
  EXPECT_EQ(stats.lastStart, 60 * kMs);
  EXPECT_EQ(stats.lastStop, 70 * kMs);
  EXPECT_EQ(discontinuities, 1);
  EXPECT_EQ(analyzer->Bytes(), 700u);
}

}  // namespace
}  // namespace av

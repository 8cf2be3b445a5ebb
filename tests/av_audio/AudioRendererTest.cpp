#include "platform/av/audio/AudioRenderer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "platform/av/AvClasses.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/SystemClock.h"
#include "platform/media/WaveFormat.h"
#include "tests/av_audio/FakeAudioDevice.h"
#include "tests/support/PushSource.h"
#include "tests/support/Wait.h"

namespace av::audio::test {
namespace {

using testsupport::CPushSource;

constexpr unsigned kRate = 48000;
constexpr REFERENCE_TIME kMs = 10'000;

CMediaType PcmType(unsigned channels, unsigned rate = kRate, std::uint16_t bits = 16) {
  CMediaType mt(MEDIATYPE_Audio, MEDIASUBTYPE_PCM);
  mt.SetFormatType(&FORMAT_WaveFormatEx);
  WAVEFORMATEX wave;
  wave.wFormatTag = WAVE_FORMAT_PCM;
  wave.nChannels = static_cast<std::uint16_t>(channels);
  wave.nSamplesPerSec = rate;
  wave.wBitsPerSample = bits;
  wave.nBlockAlign = static_cast<std::uint16_t>(channels * bits / 8);
  wave.nAvgBytesPerSec = rate * wave.nBlockAlign;
  mt.SetFormat(reinterpret_cast<const BYTE*>(&wave), sizeof wave);
  return mt;
}

std::vector<std::uint8_t> Bytes(const std::vector<std::int16_t>& samples) {
  std::vector<std::uint8_t> bytes(samples.size() * 2);
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

// Stereo PCM from a push source into the audio renderer on a fake device.
struct RendererGraph {
  std::shared_ptr<FakeSound> sound = std::make_shared<FakeSound>();
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  ComPtr<CAudioRenderer> renderer;
  ComPtr<CPushSource> source{new CPushSource({PcmType(2)}, {.bufferSize = 65536, .buffers = 4})};

  explicit RendererGraph(AudioDeviceOpener opener = nullptr) {
    media::RegisterClasses();
    EXPECT_EQ(
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)),
        S_OK);
    graph.As(&control);
    graph.As(&events);
    renderer = new CAudioRenderer(nullptr, opener ? opener : FakeOpener(sound));
    EXPECT_EQ(graph->AddFilter(renderer.Get(), u"Audio Renderer"), S_OK);
    EXPECT_EQ(graph->AddFilter(source.Get(), u"source"), S_OK);
    const CMediaType pcm = PcmType(2);
    EXPECT_EQ(graph->ConnectDirect(source->Output(), renderer->GetPin(0), &pcm), S_OK);
  }
  ~RendererGraph() {
    if (control) control->Stop();
  }
  // Renders every sample on arrival: no clock.
  void RunWithoutClock() {
    ComPtr<IMediaFilter> filter;
    graph.As(&filter);
    filter->SetSyncSource(nullptr);
    control->Run();
  }
  // Waits for the next event up to `milliseconds`; 0 when none came.
  LONG NextEvent(LONG milliseconds) {
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    if (events->GetEvent(&code, &p1, &p2, milliseconds) != S_OK) return 0;
    events->FreeEventParams(code, p1, p2);
    return code;
  }
};

TEST(AudioRenderer, IsCreatedByTheDefaultAudioRendererClass) {
  av::RegisterClasses();
  ComPtr<IBasicAudio> audio;
  EXPECT_EQ(
      CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&audio)),
      S_OK);
}

TEST(AudioRenderer, AcceptsSixteenBitPcmOnly) {
  ComPtr<CAudioRenderer> renderer(new CAudioRenderer(nullptr));
  const CMediaType six = PcmType(6, 44100);
  const CMediaType eightBit = PcmType(2, kRate, 8);
  const CMediaType oddRate = PcmType(2, 47000);
  const CMediaType nine = PcmType(9);
  EXPECT_EQ(renderer->CheckMediaType(&six), S_OK);
  EXPECT_NE(renderer->CheckMediaType(&eightBit), S_OK);
  EXPECT_NE(renderer->CheckMediaType(&oddRate), S_OK);
  EXPECT_NE(renderer->CheckMediaType(&nine), S_OK);
}

TEST(AudioRenderer, WritesTheSamplesInOrderWithTheVolumeApplied) {
  RendererGraph g;
  ASSERT_EQ(g.renderer->put_Volume(-600), S_OK);
  g.RunWithoutClock();
  const std::vector<std::int16_t> first = {1000, -1000, 2000, -2000};
  const std::vector<std::int16_t> second = {30000, -30000};
  EXPECT_EQ(g.source->Push(Bytes(first), std::nullopt), S_OK);
  EXPECT_EQ(g.source->Push(Bytes(second), std::nullopt), S_OK);

  const double gain = std::pow(10.0, -600 / 2000.0);
  std::vector<std::int16_t> expected;
  for (const auto& block : {first, second}) {
    for (std::int16_t s : block)
      expected.push_back(static_cast<std::int16_t>(std::lround(s * gain)));
  }
  EXPECT_EQ(g.sound->Samples(), expected);
}

TEST(AudioRenderer, BalanceAttenuatesTheOtherSide) {
  RendererGraph g;
  ASSERT_EQ(g.renderer->put_Balance(10000), S_OK);  // right only
  g.RunWithoutClock();
  EXPECT_EQ(g.source->Push(Bytes({1000, 1000}), std::nullopt), S_OK);
  EXPECT_EQ(g.sound->Samples(), (std::vector<std::int16_t>{0, 1000}));
}

TEST(AudioRenderer, VolumeOutsideItsRangeIsRefused) {
  ComPtr<CAudioRenderer> renderer(new CAudioRenderer(nullptr));
  EXPECT_EQ(renderer->put_Volume(-1386), S_OK);
  EXPECT_EQ(renderer->put_Volume(1), E_INVALIDARG);
  EXPECT_EQ(renderer->put_Volume(-10001), E_INVALIDARG);
  long volume = 0;
  EXPECT_EQ(renderer->get_Volume(&volume), S_OK);
  EXPECT_EQ(volume, -1386);
}

// A clock that stands still, so where the renderer places samples does not
// depend on how fast the test runs.
class CStillClock : public CBaseReferenceClock {
 public:
  CStillClock() : CBaseReferenceClock("still clock") {}
  ~CStillClock() override { StopThread(); }

 protected:
  REFERENCE_TIME GetPrivateTime() override { return 1'000'000'000; }
};

// Runs the graph on a clock that stands still: the device queue ends at
// stream time -10 ms (the graph starts running 10 ms ahead) until written to.
void RunOnAStillClock(RendererGraph& g) {
  ComPtr<IMediaFilter> filter;
  g.graph.As(&filter);
  ComPtr<IReferenceClock> still(new CStillClock);
  filter->SetSyncSource(still.Get());
  g.control->Run();
}

// The lengths of the runs of equal samples, in frames (stereo).
std::vector<std::pair<std::int16_t, std::size_t>> Runs(const std::vector<std::int16_t>& samples) {
  std::vector<std::pair<std::int16_t, std::size_t>> runs;
  for (std::size_t i = 0; i < samples.size(); i += 2) {
    if (runs.empty() || runs.back().first != samples[i]) runs.emplace_back(samples[i], 0);
    ++runs.back().second;
  }
  return runs;
}

TEST(AudioRenderer, FillsAGapBeforeASampleWithSilence) {
  RendererGraph g;
  RunOnAStillClock(g);
  const std::vector<std::int16_t> tone(2 * 480, 500);  // 10 ms
  EXPECT_EQ(g.source->Push(Bytes(tone), 100 * kMs), S_OK);
  EXPECT_EQ(g.source->Push(Bytes(tone), 150 * kMs), S_OK);
  using Run = std::pair<std::int16_t, std::size_t>;
  EXPECT_EQ(Runs(g.sound->Samples()),
            (std::vector<Run>{{0, 110 * 48}, {500, 480}, {0, 40 * 48}, {500, 480}}));
}

TEST(AudioRenderer, CutsTheLateStartOfASample) {
  RendererGraph g;
  RunOnAStillClock(g);
  EXPECT_EQ(g.source->Push(Bytes(std::vector<std::int16_t>(2 * 4800, 500)), -10 * kMs), S_OK);
  // The queue now ends at 90 ms: a sample from 50 ms loses its first 40 ms.
  EXPECT_EQ(g.source->Push(Bytes(std::vector<std::int16_t>(2 * 4800, 600)), 50 * kMs), S_OK);
  using Run = std::pair<std::int16_t, std::size_t>;
  EXPECT_EQ(Runs(g.sound->Samples()), (std::vector<Run>{{500, 4800}, {600, 60 * 48}}));
}

TEST(AudioRenderer, ReportsTheEndOfTheStreamOnceTheLastSampleIsPlayed) {
  RendererGraph g;
  g.control->Run();
  EXPECT_EQ(g.source->Push(Bytes(std::vector<std::int16_t>(2 * 4800, 7)), 0), S_OK);
  std::thread end([&] { g.source->EndOfStream(); });
  EXPECT_EQ(g.NextEvent(100), 0) << "complete while the device still plays";
  g.sound->Play(g.sound->Queued());
  EXPECT_EQ(g.NextEvent(5000), EC_COMPLETE);
  end.join();
}

TEST(AudioRenderer, WithoutADeviceConsumesSamplesAtTheirTimes) {
  RendererGraph g([](const AudioFormat&, std::string* error) -> std::unique_ptr<IAudioDevice> {
    *error = "no card";
    return nullptr;
  });
  testing::internal::CaptureStdout();
  g.control->Run();
  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_FALSE(g.renderer->HasDevice());
  EXPECT_NE(trace.find("no card"), std::string::npos);

  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(g.source->Push(Bytes(std::vector<std::int16_t>(960, 1)), 150 * kMs), S_OK);
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(130));
  std::thread end([&] { g.source->EndOfStream(); });
  EXPECT_EQ(g.NextEvent(5000), EC_COMPLETE);
  end.join();
}

}  // namespace
}  // namespace av::audio::test

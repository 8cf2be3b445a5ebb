// Sample times of a live graph on a paced virtual tuner: after a gap in
// reception and a retune they go on from the graph's clock, not from the
// packets received.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>

#include "graph/ingest/IngestGraph.h"
#include "platform/bda/tuner/VirtualTuners.h"
#include "platform/bda/virtual/Broadcast.h"
#include "tests/support/CaptureRenderer.h"
#include "tests/vtuner/TestCapture.h"
#include "tuning/BandPlan.h"

namespace graph::test {
namespace {

using namespace std::chrono_literals;
constexpr REFERENCE_TIME kUnitsPerMs = 10'000;
constexpr std::uint64_t kTicksPerSecond = 27'000'000;

// Keeps every sample the moment it comes, with the stream time it came at.
class ArrivalRenderer : public CCaptureRenderer {
 public:
  explicit ArrivalRenderer(HRESULT* hr) : CCaptureRenderer(hr) {}
  HRESULT ShouldDrawSampleNow(IMediaSample*, REFERENCE_TIME*, REFERENCE_TIME*) override {
    return S_OK;
  }
};

// Channels 22 and 30 play test captures whose clocks lie ten minutes apart;
// nothing is on the air on channel 40.
std::shared_ptr<vtuner::Broadcast> TwoChannels(const vtuner::test::TempFolder& folder) {
  folder.Write("a.ts", vtuner::test::MakeCapture({.firstPcr = 10 * kTicksPerSecond}));
  folder.Write("b.ts", vtuner::test::MakeCapture({.firstPcr = 610 * kTicksPerSecond}));
  const auto parsed = vtuner::ParseDescription(
      "tuners 1\npace on\n"
      "multiplex \"Antenna US\" 22 VSB capture a.ts\n"
      "multiplex \"Antenna US\" 30 VSB capture b.ts\n",
      folder.Path(), "test");
  return parsed.ok ? std::make_shared<vtuner::Broadcast>(parsed.description) : nullptr;
}

TEST(LiveSampleTimes, FollowTheGraphClockAcrossAGapAndARetune) {
  vtuner::test::TempFolder folder;
  const auto broadcast = TwoChannels(folder);
  ASSERT_TRUE(broadcast && broadcast->Paced());
  ComPtr<IBaseFilter> tuner;
  ASSERT_EQ(bda::CreateVirtualTunerFilter(broadcast, IID_PPV_ARGS(&tuner)), S_OK);
  IngestGraph ingest;
  std::string error;
  ASSERT_EQ(ingest.Build(tuner.Get(), u"tuner", &error, IngestGraph::Mode::kLive), S_OK) << error;
  HRESULT hr = S_OK;
  ComPtr<ArrivalRenderer> video(new ArrivalRenderer(&hr));
  ASSERT_EQ(ingest.Graph()->AddFilter(video.Get(), u"video"), S_OK);
  ASSERT_EQ(ingest.Graph()->ConnectDirect(ingest.DemuxPin(filters::kVideoPinName).Get(),
                                          video->GetPin(0), nullptr),
            S_OK);
  filters::CNetworkProvider* provider = ingest.Provider();
  ASSERT_EQ(provider->MapStreamPids(2, 0x81, vtuner::test::kVideoPid, kNoPid,
                                    vtuner::test::kVideoPid, FALSE),
            S_OK);
  const auto mode = static_cast<LONG>(tuning::ModulationToLocator(tuning::kVsb8));
  auto tune = [&](LONG physical) {
    ASSERT_EQ(provider->Tune(physical, tuning::kAntennaUs, mode), S_OK);
  };

  tune(22);
  ASSERT_TRUE(SUCCEEDED(ingest.Run()));
  std::this_thread::sleep_for(800ms);
  tune(40);  // a gap of 1.5 s
  std::this_thread::sleep_for(1500ms);
  REFERENCE_TIME retuned = 0;
  video->StreamTime(&retuned);
  tune(30);
  std::this_thread::sleep_for(800ms);
  ingest.Stop();

  // Video is presented a third of a second after its PCR, and comes in with
  // it: a sample's time lies that far ahead of its arrival (less the jitter
  // of 256-packet reads), never behind it by the gap.
  REFERENCE_TIME leastLead = std::numeric_limits<REFERENCE_TIME>::max();
  REFERENCE_TIME mostLead = std::numeric_limits<REFERENCE_TIME>::min();
  int afterRetune = 0;
  for (const auto& sample : video->Samples()) {
    if (!sample.hasTime) continue;
    leastLead = std::min(leastLead, sample.start - sample.renderedAt);
    mostLead = std::max(mostLead, sample.start - sample.renderedAt);
    if (sample.renderedAt > retuned) ++afterRetune;
  }
  EXPECT_GT(afterRetune, 0);
  EXPECT_GT(leastLead, -250 * kUnitsPerMs);
  EXPECT_LT(mostLead, 1000 * kUnitsPerMs);
}

}  // namespace
}  // namespace graph::test

#include <gtest/gtest.h>

#include "filters/provider/NetworkProvider.h"
#include "platform/bda/tuner/VirtualTuners.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"
#include "tests/bda/TunerTestSupport.h"

namespace {

using namespace bda::test;

// network provider -> virtual tuner -> capture, as the tuner graph starts.
struct LiveGraph {
  explicit LiveGraph(std::shared_ptr<vtuner::Broadcast> broadcast) {
    media::RegisterClasses();
    EXPECT_EQ(
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)),
        S_OK);
    control = graph.As<IMediaControl>();
    provider = new filters::CNetworkProvider(nullptr);
    EXPECT_EQ(graph->AddFilter(provider.Get(), u"Tallowmark Network Provider"), S_OK);
    EXPECT_EQ(bda::CreateVirtualTunerFilter(broadcast, IID_PPV_ARGS(&tuner)), S_OK);
    EXPECT_EQ(graph->AddFilter(tuner.Get(), u"Corvane Virtual Tuner 1"), S_OK);
    HRESULT hr = S_OK;
    renderer = new CCaptureRenderer(&hr);
    EXPECT_EQ(graph->AddFilter(renderer.Get(), u"capture"), S_OK);

    ComPtr<IPin> antenna, input, transport, in;
    EXPECT_EQ(provider->FindPin(u"Antenna Out", &antenna), S_OK);
    EXPECT_EQ(tuner->FindPin(u"Input", &input), S_OK);
    EXPECT_EQ(graph->ConnectDirect(antenna.Get(), input.Get(), nullptr), S_OK);
    EXPECT_EQ(tuner->FindPin(u"MPEG-2 Transport", &transport), S_OK);
    EXPECT_EQ(renderer->FindPin(u"In", &in), S_OK);
    EXPECT_EQ(graph->ConnectDirect(transport.Get(), in.Get(), nullptr), S_OK);
  }
  ~LiveGraph() {
    if (control) control->Stop();
  }
  LONG Channel() {
    LONG type = 0, channel = -1, modulation = 0;
    provider->GetCurrentTuning(&type, &channel, &modulation);
    return channel;
  }
  ComPtr<IFilterGraph2> graph;
  ComPtr<IMediaControl> control;
  ComPtr<filters::CNetworkProvider> provider;
  ComPtr<IBaseFilter> tuner;
  ComPtr<CCaptureRenderer> renderer;
};

TEST(ProviderGraphTest, TuneBeforeRunDeliversTheMultiplexOnceRunning) {
  TestBroadcast air;
  ASSERT_TRUE(air.broadcast);
  LiveGraph g(air.broadcast);

  // Connecting the antenna registered the tuner.
  LONG modulations = 0;
  ASSERT_EQ(g.provider->GetSupportedModulations(&modulations), S_OK);
  EXPECT_EQ(modulations, 0x1FF);

  ASSERT_EQ(g.provider->Tune(22, tuning::kAntennaUs, tuning::kVsb8), S_OK);
  EXPECT_EQ(g.Channel(), 0);  // pending until the graph runs
  auto stats = ControlNode<IBDA_SignalStatistics>(g.tuner.Get(), KSNODE_BDA_RF_TUNER);
  BOOLEAN locked = 1;
  stats->get_SignalLocked(&locked);
  EXPECT_EQ(locked, 0);

  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  EXPECT_EQ(g.Channel(), 22);
  stats->get_SignalLocked(&locked);
  EXPECT_EQ(locked, 1);
  const auto got = WaitForBytes(g.renderer.Get(), 2 * air.capture.size());
  ASSERT_GE(got.size(), 2 * air.capture.size());
  EXPECT_TRUE(std::equal(air.capture.begin(), air.capture.end(), got.begin()));
  const auto pcrs = Pcrs(got);
  for (std::size_t i = 1; i < pcrs.size(); ++i)
    ASSERT_GT(pcrs[i], pcrs[i - 1]) << i;

  // A channel with nothing on the air: no lock, and the stream stops.
  ASSERT_EQ(g.provider->Tune(23, tuning::kAntennaUs, tuning::kVsb8), S_OK);
  stats->get_SignalLocked(&locked);
  EXPECT_EQ(locked, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // a sample read before the tune
  const std::size_t before = g.renderer->AllBytes().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(g.renderer->AllBytes().size(), before);
}

TEST(ProviderGraphTest, DisconnectingTheTunerUnregistersIt) {
  TestBroadcast air;
  LiveGraph g(air.broadcast);
  ComPtr<IPin> antenna, input;
  ASSERT_EQ(g.provider->FindPin(u"Antenna Out", &antenna), S_OK);
  ASSERT_EQ(g.tuner->FindPin(u"Input", &input), S_OK);
  ASSERT_EQ(g.graph->Disconnect(antenna.Get()), S_OK);
  ASSERT_EQ(g.graph->Disconnect(input.Get()), S_OK);
  LONG modulations = -1;
  EXPECT_EQ(g.provider->GetSupportedModulations(&modulations), E_FAIL);
  EXPECT_EQ(modulations, 0);
  // Nothing but the test holds the tuner once the graph lets it go: the
  // registration left no reference behind.
  input = nullptr;
  ASSERT_EQ(g.graph->RemoveFilter(g.tuner.Get()), S_OK);
  EXPECT_EQ(dynamic_cast<CUnknown*>(g.tuner.Get())->RefCount(), 1u);
}

}  // namespace

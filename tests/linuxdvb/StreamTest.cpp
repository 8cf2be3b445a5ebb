#include <gtest/gtest.h>

#include "demux/filter/DemuxFilter.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"
#include "tests/linuxdvb/DvbTestSupport.h"
#include "tests/support/Psi.h"

namespace linuxdvb::test {
namespace {

using Pids = std::multiset<unsigned>;

// The section in one packet of PID 0, then two null packets (the
// demultiplexer syncs on three packets in a row).
std::vector<std::uint8_t> PatPackets(const std::vector<std::uint8_t>& section) {
  std::vector<std::uint8_t> bytes(3 * 188, 0xFF);
  const std::uint8_t headers[3][4] = {
      {0x47, 0x40, 0x00, 0x10}, {0x47, 0x1F, 0xFF, 0x10}, {0x47, 0x1F, 0xFF, 0x11}};
  for (int i = 0; i < 3; ++i)
    std::copy_n(headers[i], 4, bytes.begin() + i * 188);
  const auto payload = testsupport::WithPointerField(section);
  std::copy(payload.begin(), payload.end(), bytes.begin() + 4);
  return bytes;
}

struct PidFilterFixture : ::testing::Test {
  void SetUp() override {
    dvb->AddAdapter(0, AtscCard());
    filter = MakeFilter(dvb, 0);
    TuneChannel(static_cast<IBaseFilter*>(filter.Get()), common::kAntennaUs, 22, common::kVsb8);
    node = bda::test::ControlNode<IBDA_PidFilter>(static_cast<IBaseFilter*>(filter.Get()),
                                                  KSNODE_BDA_PID_FILTER);
    map = node.As<IMPEG2PIDMap>();
  }
  std::shared_ptr<FakeDvb> dvb = std::make_shared<FakeDvb>();
  ComPtr<CDvbTunerFilter> filter;
  ComPtr<IBDA_PidFilter> node;
  ComPtr<IMPEG2PIDMap> map;
};

TEST_F(PidFilterFixture, WholeMultiplexIsOneFilterOnPid2000) {
  EXPECT_EQ(dvb->DemuxPids(0), Pids{0x2000});
}

TEST_F(PidFilterFixture, MappedOnlyModeFiltersEachMappedPid) {
  ULONG pids[] = {0x00, 0x1FFB, 0x31};
  ASSERT_EQ(map->MapPID(3, pids, MEDIA_TRANSPORT_PACKET), S_OK);
  EXPECT_EQ(dvb->DemuxPids(0), Pids{0x2000});  // the mode still passes everything
  ASSERT_EQ(node->put_Mode(kPidFilterMappedOnly), S_OK);
  EXPECT_EQ(dvb->DemuxPids(0), (Pids{0x00, 0x31, 0x1FFB}));
}

TEST_F(PidFilterFixture, UnmappedPidsLoseTheirFilterAndPassAllRestoresTheWholeMultiplex) {
  ULONG pids[] = {0x00, 0x31, 0x34};
  ASSERT_EQ(node->put_Mode(kPidFilterMappedOnly), S_OK);
  ASSERT_EQ(map->MapPID(3, pids, MEDIA_TRANSPORT_PACKET), S_OK);
  ULONG gone[] = {0x31};
  ASSERT_EQ(map->UnmapPID(1, gone), S_OK);
  EXPECT_EQ(dvb->DemuxPids(0), (Pids{0x00, 0x34}));
  ASSERT_EQ(node->put_Mode(kPidFilterPassAll), S_OK);
  EXPECT_EQ(dvb->DemuxPids(0), Pids{0x2000});
}

// The tuner filter feeding the demultiplexer, whose section pin (PID 0)
// feeds a capture renderer.
struct StreamGraph {
  StreamGraph() {
    dvb->AddAdapter(0, AtscCard());
    media::RegisterClasses();
    EXPECT_EQ(
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)),
        S_OK);
    control = graph.As<IMediaControl>();
    events = graph.As<IMediaEventEx>();
    tuner = MakeFilter(dvb, 0);
    demux = new demux::CDemuxFilter;
    HRESULT hr = S_OK;
    sections = new CCaptureRenderer(&hr);
    EXPECT_EQ(graph->AddFilter(tuner.Get(), u"LG Electronics"), S_OK);
    EXPECT_EQ(graph->AddFilter(demux.Get(), u"Demux"), S_OK);
    EXPECT_EQ(graph->AddFilter(sections.Get(), u"Sections"), S_OK);
    ComPtr<IPin> out;
    EXPECT_EQ(tuner->FindPin(u"MPEG-2 Transport", &out), S_OK);
    EXPECT_EQ(graph->ConnectDirect(out.Get(), demux->GetPin(0), nullptr), S_OK);
    CMediaType type(MEDIATYPE_MPEG2_SECTIONS, MEDIASUBTYPE_None);
    type.SetSampleSize(65536);
    std::u16string name = u"Sections";
    ComPtr<IPin> pin;
    EXPECT_EQ(demux.As<IMpeg2Demultiplexer>()->CreateOutputPin(&type, name.data(), &pin), S_OK);
    EXPECT_EQ(graph->ConnectDirect(pin.Get(), sections->InputPin(), nullptr), S_OK);
    ULONG pat[] = {0};
    EXPECT_EQ(pin.As<IMPEG2PIDMap>()->MapPID(1, pat, MEDIA_MPEG2_PSI), S_OK);
    graph.As<IMediaFilter>()->SetSyncSource(nullptr);
    TuneChannel(static_cast<IBaseFilter*>(tuner.Get()), common::kAntennaUs, 22, common::kVsb8);
  }
  ~StreamGraph() { control->Stop(); }

  // The next event of the graph's queue, or 0.
  LONG NextEvent(LONG_PTR* param1) {
    LONG code = 0;
    LONG_PTR p2 = 0;
    if (events->GetEvent(&code, param1, &p2, 2000) != S_OK) return 0;
    return code;
  }

  std::shared_ptr<FakeDvb> dvb = std::make_shared<FakeDvb>();
  ComPtr<IFilterGraph2> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEventEx> events;
  ComPtr<CDvbTunerFilter> tuner;
  ComPtr<demux::CDemuxFilter> demux;
  ComPtr<CCaptureRenderer> sections;
};

TEST(DvbStream, PacketsFromTheDvrDeviceReachTheDemultiplexer) {
  StreamGraph g;
  const auto pat = testsupport::Pat(0x0457, {{3, 0x30}});
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  g.dvb->Feed(0, PatPackets(pat));
  ASSERT_TRUE(g.sections->WaitForSamples(1, 5000));
  EXPECT_EQ(g.sections->Samples()[0].data, pat);
  EXPECT_EQ(g.dvb->DvrBufferSize(0), kDvrBufferBytes);
  EXPECT_GE(kDvrBufferBytes, 2u * 38'800'000 / 8);
}

TEST(DvbStream, OverflowIsCountedAndTheStreamGoesOn) {
  StreamGraph g;
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  g.dvb->Overflow(0);
  const auto pat = testsupport::Pat(0x0457, {{3, 0x30}});
  g.dvb->Feed(0, PatPackets(pat));
  ASSERT_TRUE(g.sections->WaitForSamples(1, 5000));
  EXPECT_EQ(g.tuner->Tuner().Overflows(), 1u);
  EXPECT_EQ(g.sections->EndOfStreamCount(), 0);
}

TEST(DvbStream, LostDeviceEndsTheStreamAndReportsIt) {
  StreamGraph g;
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  g.dvb->Unplug(0);
  LONG_PTR param1 = 0;
  LONG code = 0;
  while ((code = g.NextEvent(&param1)) != 0 && code != EC_ERRORABORT) {
  }
  EXPECT_EQ(code, EC_ERRORABORT);
  EXPECT_EQ(static_cast<HRESULT>(param1), HRESULT_FROM_WIN32(ERROR_DEV_NOT_EXIST));
  EXPECT_TRUE(g.tuner->Tuner().Gone());
  testsupport::WaitUntil([&] { return g.sections->EndOfStreamCount() > 0; }, 5000);
  EXPECT_EQ(g.sections->EndOfStreamCount(), 1);
}

TEST(DvbStream, BytesQueuedBeforeATuneAreNotDelivered) {
  auto dvb = std::make_shared<FakeDvb>();
  dvb->AddAdapter(0, AtscCard());
  DvbTuner tuner(dvb, FrontendOf(*dvb, 0));
  bda::DeviceTune tune;
  tune.frequencyHz = 521'000'000;
  tune.family = common::DemodulatorFamily::kVsb;
  tuner.Tune(tune);
  std::vector<std::uint8_t> buffer(16 * kPacketBytes);
  std::size_t bytes = 0;
  ASSERT_EQ(tuner.Read(buffer, &bytes), S_OK);  // the dvr device is open

  dvb->Feed(0, std::vector<std::uint8_t>(2 * kPacketBytes, 0x11));
  tuner.Tune(tune);
  ASSERT_EQ(tuner.Read(buffer, &bytes), S_OK);
  EXPECT_EQ(bytes, 0u);
  dvb->Feed(0, std::vector<std::uint8_t>(3 * kPacketBytes, 0x22));
  ASSERT_EQ(tuner.Read(buffer, &bytes), S_OK);
  ASSERT_EQ(bytes, 3 * kPacketBytes);
  EXPECT_EQ(buffer[0], 0x22);
}

}  // namespace
}  // namespace linuxdvb::test

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#include "common/TuneMark.h"
#include "platform/bda/tuner/TunerFilter.h"
#include "platform/bda/tuner/VirtualTunerFilter.h"
#include "platform/bda/tuner/VirtualTuners.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"
#include "tests/bda/TunerTestSupport.h"

namespace {

using namespace bda::test;

struct TunerGraph {
  explicit TunerGraph(std::shared_ptr<vtuner::Broadcast> broadcast)
      : TunerGraph([&] {
          ComPtr<IBaseFilter> filter;
          EXPECT_EQ(bda::CreateVirtualTunerFilter(broadcast, IID_PPV_ARGS(&filter)), S_OK);
          return filter;
        }()) {}
  explicit TunerGraph(ComPtr<IBaseFilter> filter) : tuner(std::move(filter)) {
    media::RegisterClasses();
    EXPECT_EQ(
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)),
        S_OK);
    control = graph.As<IMediaControl>();
    HRESULT hr = S_OK;
    renderer = new CCaptureRenderer(&hr);
    EXPECT_EQ(graph->AddFilter(tuner.Get(), u"Corvane Virtual Tuner 1"), S_OK);
    EXPECT_EQ(graph->AddFilter(renderer.Get(), u"capture"), S_OK);
    ComPtr<IPin> out, in;
    EXPECT_EQ(tuner->FindPin(u"MPEG-2 Transport", &out), S_OK);
    EXPECT_EQ(renderer->FindPin(u"In", &in), S_OK);
    EXPECT_EQ(graph->ConnectDirect(out.Get(), in.Get(), nullptr), S_OK);
  }
  ~TunerGraph() {
    if (control) control->Stop();
  }
  ComPtr<IFilterGraph2> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IBaseFilter> tuner;
  ComPtr<CCaptureRenderer> renderer;
};

TEST(TunerFilterTest, DeliversOneLoopExactlyThenContinuesWithIncreasingTimestamps) {
  TestBroadcast air;
  ASSERT_TRUE(air.broadcast);
  TunerGraph g(air.broadcast);

  TuneNodes(g.tuner.Get(), kChannel22Hz, KSNODE_BDA_8VSB_DEMODULATOR);
  auto stats = ControlNode<IBDA_SignalStatistics>(g.tuner.Get(), KSNODE_BDA_RF_TUNER);
  BOOLEAN locked = 0;
  LONG quality = 0;
  stats->get_SignalLocked(&locked);
  stats->get_SignalQuality(&quality);
  EXPECT_EQ(locked, 1);
  EXPECT_EQ(quality, 80);

  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  const std::size_t loop = air.capture.size();
  const auto got = WaitForBytes(g.renderer.Get(), 3 * loop);
  ASSERT_GE(got.size(), 3 * loop);
  g.control->Stop();

  // The first pass is the capture byte for byte.
  EXPECT_TRUE(std::equal(air.capture.begin(), air.capture.end(), got.begin()));
  // Every sample holds whole packets; only the first follows a tune.
  const auto samples = g.renderer->Samples();
  ASSERT_FALSE(samples.empty());
  EXPECT_TRUE(samples[0].discontinuity);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    EXPECT_EQ(samples[i].data.size() % 188, 0u);
    EXPECT_FALSE(samples[i].hasTime);
    if (i > 0) {
      EXPECT_FALSE(samples[i].discontinuity) << i;
    }
  }
  // Later passes carry on the timeline: every PCR is above the one before it.
  const auto pcrs = Pcrs(got);
  ASSERT_GT(pcrs.size(), 100u);
  for (std::size_t i = 1; i < pcrs.size(); ++i)
    ASSERT_GT(pcrs[i], pcrs[i - 1]) << i;
}

TEST(TunerFilterTest, UndeclaredFrequencyGivesNoLockAndNoDataUntilTunedToOne) {
  TestBroadcast air;
  TunerGraph g(air.broadcast);

  TuneNodes(g.tuner.Get(), kChannel22Hz + 6'000'000, KSNODE_BDA_8VSB_DEMODULATOR);
  auto stats = ControlNode<IBDA_SignalStatistics>(g.tuner.Get(), KSNODE_BDA_RF_TUNER);
  BOOLEAN locked = 1, present = 1;
  stats->get_SignalLocked(&locked);
  stats->get_SignalPresent(&present);
  EXPECT_EQ(locked, 0);
  EXPECT_EQ(present, 0);

  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(g.renderer->Samples().empty());

  // The right frequency with the QAM demodulator: carrier present, no lock.
  TuneNodes(g.tuner.Get(), kChannel22Hz, KSNODE_BDA_QAM_DEMODULATOR);
  stats->get_SignalLocked(&locked);
  stats->get_SignalPresent(&present);
  EXPECT_EQ(locked, 0);
  EXPECT_EQ(present, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(g.renderer->Samples().empty());

  // Tuned while running, the stream starts from the capture's beginning.
  TuneNodes(g.tuner.Get(), kChannel22Hz, KSNODE_BDA_8VSB_DEMODULATOR);
  const auto got = WaitForBytes(g.renderer.Get(), air.capture.size());
  ASSERT_GE(got.size(), air.capture.size());
  EXPECT_TRUE(std::equal(air.capture.begin(), air.capture.end(), got.begin()));
  EXPECT_TRUE(g.renderer->Samples().front().discontinuity);
}

TEST(TunerFilterTest, PidFilterNodeInMappedModeDropsOtherPids) {
  TestBroadcast air;
  TunerGraph g(air.broadcast);
  auto pids = ControlNode<IMPEG2PIDMap>(g.tuner.Get(), KSNODE_BDA_PID_FILTER);
  ULONG video = vtuner::test::kVideoPid;
  ASSERT_EQ(pids->MapPID(1, &video, MEDIA_TRANSPORT_PACKET), S_OK);
  ASSERT_EQ(pids.As<IBDA_PidFilter>()->put_Mode(kPidFilterMappedOnly), S_OK);
  TuneNodes(g.tuner.Get(), kChannel22Hz, KSNODE_BDA_8VSB_DEMODULATOR);
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  const auto got = WaitForBytes(g.renderer.Get(), 188 * 200);
  g.control->Stop();
  ASSERT_GE(got.size(), 188u * 200);
  for (std::size_t at = 0; at < got.size(); at += 188) {
    auto view = vtuner::test::View(std::span<const std::uint8_t>(got).subspan(at, 188));
    ASSERT_EQ(view.pid, vtuner::test::kVideoPid) << at / 188;
  }
}

// A backend that hands out one queued batch of packets a read; a batch may
// come with a tune that happens while it is being read.
class ScriptedStream : public bda::TunerDevice, public bda::TunerStream {
 public:
  bool Tune(const bda::DeviceTune&) override {
    ++tunes_;
    return true;
  }
  bda::SignalState Signal() const override { return {true, true, 100, 0}; }
  std::uint32_t TuneCount() const override { return tunes_.load(); }
  HRESULT Read(std::span<std::uint8_t> buffer, std::size_t* bytes) override {
    std::lock_guard lock(mutex_);
    *bytes = 0;
    if (reads_.empty()) return S_OK;
    const auto& [packets, tuned] = reads_.front();
    *bytes = std::min(buffer.size(), packets.size());
    std::copy_n(packets.begin(), *bytes, buffer.begin());
    if (tuned) ++tunes_;
    reads_.erase(reads_.begin());
    return S_OK;
  }
  void Queue(std::uint16_t pid, bool tunedDuringRead) {
    std::vector<std::uint8_t> packet(188, 0xFF);
    packet[0] = 0x47;
    packet[1] = static_cast<std::uint8_t>(pid >> 8);
    packet[2] = static_cast<std::uint8_t>(pid);
    packet[3] = 0x10;
    std::lock_guard lock(mutex_);
    reads_.emplace_back(packet, tunedDuringRead);
  }

 private:
  std::atomic<std::uint32_t> tunes_{0};
  std::mutex mutex_;
  std::vector<std::pair<std::vector<std::uint8_t>, bool>> reads_;
};

// The tune comes while the old multiplex's packets are read, and the PID
// filter drops them all: the sample then holds only the new multiplex, so it
// alone is marked and carries the new tune. Marking the next one as well
// would make the demultiplexer drop the picture that the first one began.
TEST(TunerFilterTest, ARaceWhoseReadThePidFilterDropsMarksOnlyTheFirstNewSample) {
  constexpr std::uint16_t kOldPid = 0x100, kNewPid = 0x200;
  auto stream = std::make_shared<ScriptedStream>();
  HRESULT hr = S_OK;
  ComPtr<bda::CTunerFilter> filter(new bda::CTunerFilter(
      "scripted tuner", GUID_NULL, stream, stream, {common::DemodulatorFamily::kVsb}, &hr));
  ASSERT_EQ(hr, S_OK);
  TunerGraph g(ComPtr<IBaseFilter>(filter.Get()));
  auto pids = ControlNode<IMPEG2PIDMap>(g.tuner.Get(), KSNODE_BDA_PID_FILTER);
  ULONG pid = kNewPid;
  ASSERT_EQ(pids->MapPID(1, &pid, MEDIA_TRANSPORT_PACKET), S_OK);
  ASSERT_EQ(pids.As<IBDA_PidFilter>()->put_Mode(kPidFilterMappedOnly), S_OK);
  stream->Queue(kOldPid, true);
  stream->Queue(kNewPid, false);
  stream->Queue(kNewPid, false);

  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  ASSERT_TRUE(g.renderer->WaitForSamples(2, 5000));
  const auto samples = g.renderer->Samples();
  EXPECT_TRUE(samples[0].discontinuity);
  EXPECT_EQ(common::TuneMarkOf(samples[0].typeSpecificFlags), 1u);
  EXPECT_FALSE(samples[1].discontinuity);
}

TEST(TunerFilterTest, AnswersCannotCueWhilePaused) {
  TestBroadcast air;
  TunerGraph g(air.broadcast);
  ASSERT_TRUE(SUCCEEDED(g.control->Pause()));
  FILTER_STATE state;
  EXPECT_EQ(g.tuner->GetState(0, &state), VFW_S_CANT_CUE);
  EXPECT_EQ(state, State_Paused);
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  EXPECT_EQ(g.tuner->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Running);
}

TEST(TunerFilterTest, OutputOffersTheTransportStreamTypesOnly) {
  TestBroadcast air;
  ComPtr<IBaseFilter> tuner;
  ASSERT_EQ(bda::CreateVirtualTunerFilter(air.broadcast, IID_PPV_ARGS(&tuner)), S_OK);
  ComPtr<IPin> out, in;
  ASSERT_EQ(tuner->FindPin(u"MPEG-2 Transport", &out), S_OK);
  ASSERT_EQ(tuner->FindPin(u"Input", &in), S_OK);
  CMediaType ts(MEDIATYPE_Stream, KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT);
  CMediaType plain(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT);
  CMediaType video(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
  EXPECT_EQ(out->QueryAccept(&ts), S_OK);
  EXPECT_EQ(out->QueryAccept(&plain), S_OK);
  EXPECT_NE(out->QueryAccept(&video), S_OK);
  CMediaType antenna(KSDATAFORMAT_TYPE_BDA_ANTENNA, MEDIASUBTYPE_None);
  EXPECT_EQ(in->QueryAccept(&antenna), S_OK);
  EXPECT_NE(in->QueryAccept(&ts), S_OK);
  PIN_DIRECTION dir;
  in->QueryDirection(&dir);
  EXPECT_EQ(dir, PINDIR_INPUT);
}

}  // namespace

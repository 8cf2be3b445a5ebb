// The caption path as the player builds it: the sample broadcast's video
// through the "Video Tee", "capsift.dll" and the "Line 21 Decoder 2" into a
// capturing caption input; the service state; a missing caption library;
// removal by the filter slots.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "common/ErrorBox.h"
#include "graph/player/CaptionPath.h"
#include "platform/av/AvClasses.h"
#include "platform/av/line21/CaptionScreen.h"
#include "platform/av/line21/Line21Interfaces.h"
#include "platform/av/video/VmrInterfaces.h"
#include "platform/com/ClassFactory.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"
#include "tests/support/CaptureRenderer.h"
#include "tests/support/PushSource.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"
#include "tools/broadcast/Description.h"
#include "tools/broadcast/ElementaryLoop.h"

namespace av::line21::test {
namespace {

using Rows = std::vector<std::string>;

const broadcast::ChannelDescription& SampleVideoChannel() {
  static const broadcast::BroadcastDescription sample = broadcast::SampleBroadcast();
  for (const auto& multiplex : sample.multiplexes) {
    for (const auto& channel : multiplex.channels) {
      if (multiplex.synthetic && channel.HasVideo()) return channel;
    }
  }
  throw std::runtime_error("the sample broadcast has no video channel");
}

const broadcast::EncodedLoop& SampleLoop() {
  static const broadcast::EncodedLoop loop = [] {
    broadcast::EncodedLoop encoded;
    std::string error;
    EXPECT_TRUE(broadcast::LoadOrEncodeLoop(
        SampleVideoChannel(), {}, testsupport::BuildCacheFolder("broadcast"), encoded, error))
        << error;
    return encoded;
  }();
  return loop;
}

// Source -> caption path -> capturing caption input, run without a clock.
struct CaptionChain {
  ComPtr<IFilterGraph2> graph;
  ComPtr<IMediaControl> control;
  ComPtr<testsupport::CPushSource> source;
  ComPtr<CCaptureRenderer> captionInput;
  graph::CaptionSlots slots;
  std::mutex mutex;
  std::vector<Line21Page> pages;

  CaptionChain() {
    media::RegisterClasses();
    av::RegisterClasses();
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
    graph.As(&control);
    ComPtr<IMediaFilter> timing;
    graph.As(&timing);
    timing->SetSyncSource(nullptr);
    testsupport::PushSourceOptions options;
    options.bufferSize = 1 << 20;
    options.buffers = 4;
    source = new testsupport::CPushSource({CMediaType(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO)},
                                          options);
    HRESULT hr = S_OK;
    captionInput = new CCaptureRenderer(&hr, MEDIATYPE_Video, u"VMR Input1");
    graph->AddFilter(source.Get(), u"MPEG-2 Source");
    graph->AddFilter(captionInput.Get(), u"Caption Input");
  }
  ~CaptionChain() {
    if (control) control->Stop();
  }

  HRESULT Build(bool captionsOn, const char* library = CAPSIFT_DLL_PATH) {
    HRESULT hr = graph::AddCaptionPath(graph.Get(), source.Get(), captionsOn, slots, library);
    if (FAILED(hr)) return hr;
    hr = graph::ConnectCaptionRenderer(graph.Get(), slots, captionInput.Get());
    if (FAILED(hr)) return hr;
    ComPtr<ILine21Pages> observed;
    hr = slots.line21Decoder.As(&observed);
    if (FAILED(hr)) return hr;
    return observed->SetPageObserver([this](const Line21Page& page) {
      std::lock_guard lock(mutex);
      pages.push_back(page);
    });
  }

  // The loop's pictures in decode order, `rounds` times with running times,
  // then the end of the stream.
  void Play(int rounds) {
    const broadcast::EncodedLoop& loop = SampleLoop();
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    for (int round = 0; round < rounds; ++round) {
      for (const auto& picture : loop.video) {
        const auto pts = picture.pts + static_cast<std::uint64_t>(round) * loop.videoDuration;
        ASSERT_EQ(source->Push(picture.data, static_cast<REFERENCE_TIME>(pts * 1000 / 9)), S_OK);
      }
    }
    source->EndOfStream();
    ASSERT_TRUE(
        testsupport::WaitUntil([&] { return captionInput->EndOfStreamCount() >= 1; }, 20000));
  }

  std::vector<Line21Page> Pages() {
    std::lock_guard lock(mutex);
    return pages;
  }
};

bool HasOpaquePixel(const std::vector<BYTE>& argb) {
  for (std::size_t i = 3; i < argb.size(); i += 4) {
    if (argb[i] != 0) return true;
  }
  return false;
}

TEST(CaptionPath, SampleBroadcastCaptionsReachTheCaptionInput) {
  CaptionChain chain;
  ASSERT_EQ(chain.Build(true), S_OK);
  chain.Play(2);

  const auto pages = chain.Pages();
  const auto pictures = chain.captionInput->Samples();
  ASSERT_EQ(pictures.size(), pages.size());
  const Rows none;
  const auto meant = broadcast::LoopCaptionTexts(SampleVideoChannel());
  ASSERT_FALSE(meant.empty());
  std::size_t shown = 0;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    SCOPED_TRACE("picture " + std::to_string(i));
    EXPECT_EQ(pictures[i].data.size(), static_cast<std::size_t>(CaptionScreen::kPictureBytes));
    ASSERT_TRUE(pictures[i].hasTime);
    EXPECT_EQ(pictures[i].start, pages[i].time);
    if (i > 0) {
      EXPECT_GT(pictures[i].start, pictures[i - 1].start);
      EXPECT_NE(pages[i].rows, pages[i - 1].rows);  // only changes are sent
    }
    EXPECT_EQ(HasOpaquePixel(pictures[i].data), pages[i].rows != none);
    if (pages[i].rows == none) continue;
    EXPECT_EQ(pages[i].rows, meant[shown % meant.size()]);
    ++shown;
  }
  // Two rounds of the loop show every caption at least once.
  EXPECT_GE(shown, meant.size() + 1);
}

TEST(CaptionPath, ServiceStateOffSendsNothing) {
  CaptionChain chain;
  ASSERT_EQ(chain.Build(false), S_OK);
  ComPtr<IAMLine21Decoder> decoder;
  ASSERT_EQ(chain.slots.line21Decoder.As(&decoder), S_OK);
  AM_LINE21_CCSTATE state = AM_L21_CCSTATE_On;
  EXPECT_EQ(decoder->GetServiceState(&state), S_OK);
  EXPECT_EQ(state, AM_L21_CCSTATE_Off);
  chain.Play(1);
  EXPECT_TRUE(chain.captionInput->Samples().empty());
  EXPECT_TRUE(chain.Pages().empty());
}

TEST(CaptionPath, MissingLibraryShowsTheMessageAndBuildsNothing) {
  CaptionChain chain;
  common::ErrorCapture errors;
  EXPECT_TRUE(FAILED(chain.Build(true, "no-such-dir/capsift.dll")));
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_EQ(errors.Messages()[0].rfind("Could not create CC parser. Error: ", 0), 0u)
      << errors.Messages()[0];
  EXPECT_FALSE(chain.slots.videoTee || chain.slots.ccParser || chain.slots.line21Decoder);
  // Only the source and the caption input are left; the source's video is free.
  ComPtr<IEnumFilters> filters;
  ASSERT_EQ(chain.graph->EnumFilters(&filters), S_OK);
  int count = 0;
  for (ComPtr<IBaseFilter> f; filters->Next(1, &f, nullptr) == S_OK; f.Reset())
    ++count;
  EXPECT_EQ(count, 2);
  IPin* peer = nullptr;
  EXPECT_EQ(chain.source->Output()->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
}

TEST(CaptionPath, TheLine21DecoderFeedsTheRenderersSecondInput) {
  CaptionChain chain;
  ASSERT_EQ(graph::AddCaptionPath(chain.graph.Get(), chain.source.Get(), true, chain.slots,
                                  CAPSIFT_DLL_PATH),
            S_OK);
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(&renderer)),
            S_OK);
  ComPtr<IVMRFilterConfig9> config;
  ASSERT_EQ(renderer.As(&config), S_OK);
  ASSERT_EQ(config->SetNumberOfStreams(2), S_OK);
  ASSERT_EQ(chain.graph->AddFilter(renderer.Get(), u"VMR 9"), S_OK);
  ComPtr<IPin> video, captions;
  ASSERT_EQ(renderer->FindPin(u"VMR Input0", &video), S_OK);
  ASSERT_EQ(renderer->FindPin(u"VMR Input1", &captions), S_OK);
  ComPtr<IPin> line21Output;
  ASSERT_EQ(chain.slots.line21Decoder->FindPin(u"Line 21 Out", &line21Output), S_OK);

  // The video input is still free: the pictures go to the caption input only.
  ASSERT_EQ(graph::ConnectCaptionRenderer(chain.graph.Get(), chain.slots, renderer.Get()), S_OK);
  ComPtr<IPin> peer;
  EXPECT_EQ(captions->ConnectedTo(&peer), S_OK);
  EXPECT_EQ(peer.Get(), line21Output.Get());
  EXPECT_EQ(video->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
}

TEST(CaptionPath, RemovalGoesByTheSlotsAndClearsThem) {
  CaptionChain chain;
  ASSERT_EQ(chain.Build(true), S_OK);
  ASSERT_TRUE(chain.slots.videoTee && chain.slots.ccParser && chain.slots.line21Decoder);
  ComPtr<IBaseFilter> found;
  EXPECT_EQ(chain.graph->FindFilterByName(u"Video Tee", &found), S_OK);
  EXPECT_EQ(chain.graph->FindFilterByName(u"CCParser", &found), S_OK);
  EXPECT_EQ(chain.graph->FindFilterByName(u"Line 21 Decoder 2", &found), S_OK);
  graph::RemoveCaptionPath(chain.graph.Get(), chain.slots);
  EXPECT_FALSE(chain.slots.videoTee || chain.slots.ccParser || chain.slots.line21Decoder);
  for (const char16_t* name : {u"Video Tee", u"CCParser", u"Line 21 Decoder 2"}) {
    EXPECT_EQ(chain.graph->FindFilterByName(name, &found), VFW_E_NOT_FOUND);
  }
}

}  // namespace
}  // namespace av::line21::test

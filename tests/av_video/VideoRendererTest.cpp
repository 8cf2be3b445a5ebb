#include "platform/av/video/VideoRenderer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/av/AvClasses.h"
#include "platform/av/video/FrameSink.h"
#include "platform/av/video/SurfaceTable.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "tests/av_video/TestPictures.h"
#include "tests/support/PushSource.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

namespace av::video::test {
namespace {

using testsupport::CPushSource;

constexpr REFERENCE_TIME kMs = 10'000;
constexpr long kWidth = 64;
constexpr long kHeight = 48;

ComPtr<IBaseFilter> CreateRenderer() {
  av::RegisterClasses();
  ComPtr<IBaseFilter> renderer;
  CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER,
                   IID_PPV_ARGS(&renderer));
  return renderer;
}

// A push source into the renderer in windowless mode with two streams, on a
// frame sink published as the video window.
struct WindowlessGraph {
  std::shared_ptr<CFrameSink> sink = std::make_shared<CFrameSink>(640, 360);
  OAHWND window = PublishSurface(sink);
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  ComPtr<IBaseFilter> renderer = CreateRenderer();
  ComPtr<IVMRWindowlessControl9> windowless;
  ComPtr<CPushSource> source;

  explicit WindowlessGraph(DWORD aspectX = 4, DWORD aspectY = 3)
      : source(
            new CPushSource({I420Type(kWidth, kHeight, aspectX, aspectY), I420Type(128, 72, 16, 9)},
                            {.bufferSize = 16384, .buffers = 4})) {
    media::RegisterClasses();
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
    graph.As(&control);
    graph.As(&events);
    ComPtr<IVMRFilterConfig9> config;
    EXPECT_EQ(renderer.As(&config), S_OK);
    EXPECT_EQ(config->SetNumberOfStreams(2), S_OK);
    EXPECT_EQ(config->SetRenderingMode(VMR9Mode_Windowless), S_OK);
    EXPECT_EQ(renderer.As(&windowless), S_OK);
    EXPECT_EQ(windowless->SetVideoClippingWindow(window), S_OK);
    EXPECT_EQ(graph->AddFilter(renderer.Get(), u"VMR 9"), S_OK);
    EXPECT_EQ(graph->AddFilter(source.Get(), u"source"), S_OK);
    const CMediaType type = I420Type(kWidth, kHeight, aspectX, aspectY);
    EXPECT_EQ(graph->ConnectDirect(source->Output(), Pin(u"VMR Input0").Get(), &type), S_OK);
  }
  ~WindowlessGraph() {
    control->Stop();
    WithdrawSurface(window);
  }
  ComPtr<IPin> Pin(LPCWSTR name) {
    ComPtr<IPin> pin;
    renderer->FindPin(name, &pin);
    return pin;
  }
  void RunWithoutClock() {
    ComPtr<IMediaFilter> filter;
    graph.As(&filter);
    filter->SetSyncSource(nullptr);
    control->Run();
  }
  // The first event of the code within `milliseconds`; nothing when none came.
  std::optional<LONG_PTR> WaitForEvent(LONG wanted, LONG milliseconds) {
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (events->GetEvent(&code, &p1, &p2, milliseconds) == S_OK) {
      events->FreeEventParams(code, p1, p2);
      if (code == wanted) return p1;
    }
    return std::nullopt;
  }
};

TEST(VideoRenderer, IsCreatedByItsClassWithTheFirstInputPin) {
  ComPtr<IBaseFilter> renderer = CreateRenderer();
  ASSERT_TRUE(renderer);
  ComPtr<IPin> pin;
  EXPECT_EQ(renderer->FindPin(u"VMR Input0", &pin), S_OK);
  EXPECT_NE(renderer->FindPin(u"VMR Input1", &pin), S_OK);
}

TEST(VideoRenderer, TwoStreamsAddTheCaptionInput) {
  ComPtr<IBaseFilter> renderer = CreateRenderer();
  ComPtr<IVMRFilterConfig9> config;
  ASSERT_EQ(renderer.As(&config), S_OK);
  EXPECT_EQ(config->SetNumberOfStreams(2), S_OK);
  ComPtr<IPin> pin;
  EXPECT_EQ(renderer->FindPin(u"VMR Input1", &pin), S_OK);
  EXPECT_EQ(config->SetNumberOfStreams(3), E_INVALIDARG);
}

TEST(VideoRenderer, WindowedModeOffersTheWindowInterfacesOnly) {
  ComPtr<IBaseFilter> renderer = CreateRenderer();
  ComPtr<IVideoWindow> videoWindow;
  ComPtr<IBasicVideo> basicVideo;
  ComPtr<IVMRWindowlessControl9> windowless;
  EXPECT_EQ(renderer.As(&videoWindow), S_OK);
  EXPECT_EQ(renderer.As(&basicVideo), S_OK);
  EXPECT_EQ(renderer.As(&windowless), E_NOINTERFACE);
}

TEST(VideoRenderer, WindowlessModeOffersTheWindowlessControlOnly) {
  ComPtr<IBaseFilter> renderer = CreateRenderer();
  ComPtr<IVMRFilterConfig9> config;
  renderer.As(&config);
  EXPECT_EQ(config->SetRenderingMode(VMR9Mode_Windowless), S_OK);
  ComPtr<IVideoWindow> videoWindow;
  ComPtr<IVMRWindowlessControl9> windowless;
  EXPECT_EQ(renderer.As(&videoWindow), E_NOINTERFACE);
  EXPECT_EQ(renderer.As(&windowless), S_OK);
}

TEST(VideoRenderer, NativeSizeAndAspectComeFromTheConnectionType) {
  WindowlessGraph g(16, 9);
  LONG width = 0, height = 0, aspectX = 0, aspectY = 0;
  ASSERT_EQ(g.windowless->GetNativeVideoSize(&width, &height, &aspectX, &aspectY), S_OK);
  EXPECT_EQ(width, kWidth);
  EXPECT_EQ(height, kHeight);
  EXPECT_EQ(aspectX, 16);
  EXPECT_EQ(aspectY, 9);
}

TEST(VideoRenderer, PicturesReachTheSurfaceNotBeforeTheirTimes) {
  WindowlessGraph g;
  const auto picture = FlatI420(kWidth, kHeight, 100);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  for (REFERENCE_TIME at : {0 * kMs, 100 * kMs, 300 * kMs}) {
    ASSERT_EQ(g.source->Push(picture, at), S_OK);
  }
  const auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_GE(elapsed, std::chrono::milliseconds(290));
  EXPECT_EQ(g.sink->FramesPresented(), 3u);
  EXPECT_EQ(g.sink->LastStreamTime(), 300 * kMs);
}

TEST(VideoRenderer, APictureWhilePausedIsShownAtOnceAndOnlyOnce) {
  WindowlessGraph g;
  ASSERT_TRUE(SUCCEEDED(g.control->Pause()));
  std::thread streaming([&] { g.source->Push(FlatI420(kWidth, kHeight, 100), 0); });
  EXPECT_TRUE(testsupport::WaitUntil([&] { return g.sink->FramesPresented() == 1; }));
  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  streaming.join();
  EXPECT_EQ(g.sink->FramesPresented(), 1u);
}

TEST(VideoRenderer, ASnapshotIsAPngOfTheSourceRectangle) {
  WindowlessGraph g;
  const RECT source{8, 8, 56, 40};
  const RECT destination{0, 0, 640, 360};
  ASSERT_EQ(g.windowless->SetVideoPosition(&source, &destination), S_OK);
  g.RunWithoutClock();
  ASSERT_EQ(g.source->Push(FlatI420(kWidth, kHeight, 100), 0), S_OK);
  testsupport::TempFolder folder;
  const std::string path = (folder.Path() / "still.png").string();
  ASSERT_TRUE(g.sink->Snapshot(path));
  std::ifstream file(path, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
  ASSERT_GE(bytes.size(), 33u);
  const std::vector<std::uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(std::equal(signature.begin(), signature.end(), bytes.begin()));
  EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "IHDR");
  EXPECT_EQ(bytes[16 + 3], 48);  // width, big-endian
  EXPECT_EQ(bytes[20 + 3], 32);  // height
}

TEST(VideoRenderer, TheCaptionInputIsLaidOverThePicture) {
  WindowlessGraph g;
  ComPtr<CPushSource> captions(
      new CPushSource({Argb32Type(32, 24)}, {.bufferSize = 32 * 24 * 4, .buffers = 2}));
  ASSERT_EQ(g.graph->AddFilter(captions.Get(), u"captions"), S_OK);
  const CMediaType argb = Argb32Type(32, 24);
  ASSERT_EQ(g.graph->ConnectDirect(captions->Output(), g.Pin(u"VMR Input1").Get(), &argb), S_OK);
  g.RunWithoutClock();
  ASSERT_EQ(captions->Push(CaptionRows(32, 24, 12, 255, 0, 0), 0), S_OK);
  ASSERT_EQ(g.source->Push(FlatI420(kWidth, kHeight, 126), 0), S_OK);
  const RgbaImage picture = g.sink->Picture();
  ASSERT_EQ(picture.width, kWidth);
  const auto pixel = [&](int x, int y) { return picture.pixels[(y * picture.width + x) * 4]; };
  EXPECT_EQ(pixel(10, 5), 128);   // grey video above the caption rows
  EXPECT_EQ(pixel(10, 40), 255);  // red caption below
  EXPECT_EQ(picture.pixels[(40 * picture.width + 10) * 4 + 1], 0);
}

TEST(VideoRenderer, ANewPictureSizeSendsTheSizeChangedEvent) {
  WindowlessGraph g;
  g.RunWithoutClock();
  const CMediaType larger = I420Type(128, 72, 16, 9);
  ASSERT_EQ(g.source->Send(FlatI420(128, 72, 100), &larger), S_OK);
  const auto size = g.WaitForEvent(EC_VIDEO_SIZE_CHANGED, 1000);
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(*size, (72 << 16) | 128);
  LONG width = 0, height = 0;
  g.windowless->GetNativeVideoSize(&width, &height, nullptr, nullptr);
  EXPECT_EQ(width, 128);
  EXPECT_EQ(g.sink->LastWidth(), 128);
}

TEST(VideoRenderer, TheSameSizeAgainSendsNoEvent) {
  WindowlessGraph g;
  g.RunWithoutClock();
  const CMediaType same = I420Type(kWidth, kHeight);
  ASSERT_EQ(g.source->Send(FlatI420(kWidth, kHeight, 100), &same), S_OK);
  EXPECT_FALSE(g.WaitForEvent(EC_VIDEO_SIZE_CHANGED, 100).has_value());
}

TEST(VideoRenderer, LetterboxFitsThePictureAspectIntoTheDestination) {
  WindowlessGraph g(16, 9);
  ASSERT_EQ(g.windowless->SetAspectRatioMode(VMR9ARMode_LetterBox), S_OK);
  const RECT destination{0, 0, 1000, 1000};
  ASSERT_EQ(g.windowless->SetVideoPosition(nullptr, &destination), S_OK);
  EXPECT_EQ(g.sink->CurrentPlacement().destination, (common::VideoRect{0, 218, 1000, 781}));
}

TEST(VideoRenderer, WindowedModeSizesItsOwnWindowAndPlacesThePictureInIt) {
  ComPtr<CVideoMixingRenderer9> renderer(new CVideoMixingRenderer9());
  ASSERT_EQ(renderer->put_Owner(0x77), S_OK);
  ASSERT_EQ(renderer->SetWindowPosition(0, 0, 320, 180), S_OK);
  ASSERT_EQ(renderer->SetDestinationPosition(10, 20, 300, 150), S_OK);
  const auto sink = std::dynamic_pointer_cast<CFrameSink>(renderer->Surface());
  ASSERT_TRUE(sink);
  EXPECT_EQ(sink->ClientRect(), (common::VideoRect{0, 0, 320, 180}));
  EXPECT_EQ(sink->CurrentPlacement().destination, (common::VideoRect{10, 20, 310, 170}));
}

TEST(VideoRenderer, AnUnknownVideoWindowIsRefused) {
  ComPtr<CVideoMixingRenderer9> renderer(new CVideoMixingRenderer9());
  renderer->SetRenderingMode(VMR9Mode_Windowless);
  EXPECT_EQ(renderer->SetVideoClippingWindow(0x1234567), E_INVALIDARG);
}

}  // namespace
}  // namespace av::video::test

#include "graph/player/VideoWindow.h"

#include <gtest/gtest.h>

#include "common/ErrorBox.h"
#include "platform/av/AvClasses.h"
#include "platform/av/video/FrameSink.h"
#include "platform/av/video/SurfaceTable.h"
#include "platform/av/video/VideoRenderer.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "tests/av_video/TestPictures.h"
#include "tests/support/PushSource.h"

namespace av::video::test {
namespace {

using testsupport::CPushSource;

// A player graph with a push source standing in for the video decoder.
struct PlayerGraph {
  ComPtr<IGraphBuilder> graph;
  ComPtr<CPushSource> decoder;
  graph::VideoWindowState window;
  graph::VideoRendererSlot slot;
  const common::VideoRect area{0, 0, 1000, 1000};

  explicit PlayerGraph(const CMediaType& type = I420Type(64, 48, 4, 3))
      : decoder(new CPushSource({type}, {.bufferSize = 8192, .buffers = 2})) {
    media::RegisterClasses();
    av::RegisterClasses();
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
    graph->AddFilter(decoder.Get(), u"Video Decoder");
  }
  HRESULT Add(std::uint32_t kind, common::Overscan overscan = {}) {
    return graph::AddVideoRenderer(graph.Get(), decoder.Get(), kind, window, slot, area, overscan);
  }
  int Filters() {
    ComPtr<IEnumFilters> filters;
    graph->EnumFilters(&filters);
    int count = 0;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
      ++count;
      filter.Reset();
    }
    return count;
  }
};

TEST(VideoWindow, WindowlessKindDrawsOnAVideoWindowAtTheDestination) {
  PlayerGraph g;
  ASSERT_EQ(g.Add(6), S_OK);
  EXPECT_EQ(g.slot.kind, 6u);
  const auto sink = std::dynamic_pointer_cast<CFrameSink>(FindSurface(g.window.videoWindow));
  ASSERT_TRUE(sink);
  // 4:3 in a square of 1000: height 750, margins of 125.
  EXPECT_EQ(sink->Geometry(), (common::VideoRect{0, 125, 1000, 875}));
  EXPECT_EQ(sink->CurrentPlacement().destination, (common::VideoRect{0, 0, 1000, 750}));
  EXPECT_GE(sink->Repaints(), 1);
  ComPtr<IPin> captionInput;
  EXPECT_EQ(g.slot.renderer->FindPin(u"VMR Input1", &captionInput), S_OK);
}

TEST(VideoWindow, TheNativeFormatComesFromTheRendererInput) {
  PlayerGraph g(I420Type(64, 48, 16, 9, RECT{0, 0, 60, 40}));
  ASSERT_EQ(g.Add(6), S_OK);
  EXPECT_EQ(g.slot.nativeWidth, 60);
  EXPECT_EQ(g.slot.nativeHeight, 40);
  EXPECT_EQ(g.slot.aspect.x, 16);
  EXPECT_NEAR(g.slot.frameRate, 29.97, 0.01);
}

TEST(VideoWindow, RemovingTheWindowlessKindDestroysTheVideoWindowItMade) {
  PlayerGraph g;
  ASSERT_EQ(g.Add(6), S_OK);
  const OAHWND made = g.window.videoWindow;
  ASSERT_EQ(graph::RemoveVideoRenderer(g.graph.Get(), g.window, g.slot), S_OK);
  EXPECT_EQ(g.slot.kind, 0u);
  EXPECT_FALSE(g.window.windowless);
  EXPECT_EQ(FindSurface(made), nullptr);
  EXPECT_EQ(g.Filters(), 1);
}

TEST(VideoWindow, WindowedKindMovesItsOwnWindowAndCutsTheOverscan) {
  PlayerGraph g;
  ASSERT_EQ(g.Add(5, {4, 4, 2, 2}), S_OK);
  auto* renderer = dynamic_cast<CVideoMixingRenderer9*>(g.slot.renderer.Get());
  ASSERT_NE(renderer, nullptr);
  const auto sink = std::dynamic_pointer_cast<CFrameSink>(renderer->Surface());
  ASSERT_TRUE(sink);
  EXPECT_EQ(sink->Geometry(), (common::VideoRect{0, 125, 1000, 875}));
  EXPECT_EQ(sink->CurrentPlacement().source, (common::VideoRect{4, 2, 60, 46}));
}

TEST(VideoWindow, KindsThisSystemLacksAddNoRenderer) {
  PlayerGraph g;
  for (std::uint32_t kind : {0u, 1u, 7u, 8u, 9u}) {
    EXPECT_TRUE(FAILED(g.Add(kind))) << kind;
  }
  EXPECT_EQ(g.Filters(), 1);
}

TEST(VideoWindow, AFailedConnectionShowsItsMessageAndRemovesTheRenderer) {
  PlayerGraph g(CMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM));
  common::ErrorCapture errors;
  EXPECT_TRUE(FAILED(g.Add(5)));
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_EQ(errors.Messages()[0], "Can't connect render to video decoder\n");
  EXPECT_EQ(g.Filters(), 1);
}

TEST(VideoWindow, AnEmptyAreaLeavesTheLayoutAsItWas) {
  PlayerGraph g;
  ASSERT_EQ(g.Add(6), S_OK);
  const common::VideoRect before = g.slot.destination;
  graph::LayOutVideo(g.window, g.slot, {0, 0, 0, 0}, {});
  EXPECT_EQ(g.slot.destination, before);
}

}  // namespace
}  // namespace av::video::test

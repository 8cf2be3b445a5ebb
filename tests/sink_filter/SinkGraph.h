// A graph around one "MPEG-2 Sink": three push sources (video, AC-3, text)
// connected to its three pins, and helpers to read what it wrote.
#pragma once

#include <gtest/gtest.h>

#include "filters/sink/Mpeg2Sink.h"
#include "platform/com/ClassFactory.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"
#include "tests/sink/TestSupport.h"
#include "tests/support/PushSource.h"

namespace filters::test {

using testsupport::CPushSource;

inline CMediaType VideoType() {
  return CMediaType(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
}
inline CMediaType AudioType() {
  return CMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3);
}
inline CMediaType TextType() {
  return CMediaType(MEDIATYPE_TextStream, MEDIASUBTYPE_None);
}

struct SinkGraph {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  ComPtr<CMPEG2Sink> sink;
  ComPtr<CPushSource> video{new CPushSource(VideoType())};
  ComPtr<CPushSource> audio{new CPushSource(AudioType())};
  ComPtr<CPushSource> text{new CPushSource(TextType())};

  // Creates the sink by class id, as a graph manager would.
  SinkGraph() {
    media::RegisterClasses();
    RegisterMpeg2SinkClass();
    EXPECT_EQ(
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)),
        S_OK);
    graph.As(&control);
    graph.As(&events);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_MPEG2Sink, nullptr, CLSCTX_INPROC_SERVER, IID_MPEG2SinkObject,
                               &object),
              S_OK);
    sink.Attach(static_cast<CMPEG2Sink*>(object));
    EXPECT_EQ(graph->AddFilter(sink.Get(), kMpeg2SinkName), S_OK);
    EXPECT_EQ(graph->AddFilter(video.Get(), u"video"), S_OK);
    EXPECT_EQ(graph->AddFilter(audio.Get(), u"audio"), S_OK);
    EXPECT_EQ(graph->AddFilter(text.Get(), u"text"), S_OK);
    const CMediaType v = VideoType(), a = AudioType(), t = TextType();
    EXPECT_EQ(graph->ConnectDirect(video->Output(), sink->GetPin(0), &v), S_OK);
    EXPECT_EQ(graph->ConnectDirect(audio->Output(), sink->GetPin(1), &a), S_OK);
    EXPECT_EQ(graph->ConnectDirect(text->Output(), sink->GetPin(2), &t), S_OK);
  }
  ~SinkGraph() {
    if (control) control->Stop();
  }
};

}  // namespace filters::test

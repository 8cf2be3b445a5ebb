// A graph for the "Demux" tests: a transport-stream source feeding the
// demultiplexer, whose section, video and audio pins (created the way the
// network provider creates them) feed capture renderers. Runs without a
// clock unless asked, so every sample renders as it arrives.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demux/filter/DemuxFilter.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "tests/demux/TsWriter.h"
#include "tests/demux_filter/TsSource.h"
#include "tests/support/CaptureRenderer.h"

namespace demux::test {

// A pin name as the demultiplexer's interface takes it (writable text).
struct PinName {
  std::u16string text;
  operator LPWSTR() { return text.data(); }  // NOLINT: converts where a name goes
};

inline CMediaType SectionType() {
  CMediaType mt(MEDIATYPE_MPEG2_SECTIONS, MEDIASUBTYPE_None);
  mt.SetSampleSize(65536);
  return mt;
}

inline CMediaType VideoType() {
  CMediaType mt(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
  mt.SetFormatType(&FORMAT_MPEG2Video);
  mt.SetSampleSize(65536);
  return mt;
}

inline CMediaType AudioType() {
  CMediaType mt(MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3);
  mt.SetVariableSize();
  return mt;
}

class DemuxGraph {
 public:
  // withClock: the graph's default reference clock instead of none.
  explicit DemuxGraph(std::vector<Bytes> segments, std::size_t chunk = 188 * 7,
                      bool withClock = false) {
    media::RegisterClasses();
    EXPECT_EQ(
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)),
        S_OK);
    control = graph.As<IMediaControl>();
    events = graph.As<IMediaEventEx>();
    demux = new CDemuxFilter;
    demuxer = demux.As<IMpeg2Demultiplexer>();
    source = new CTsSource(std::move(segments), chunk);
    HRESULT hr = S_OK;
    sections = new CCaptureRenderer(&hr);
    video = new CCaptureRenderer(&hr);
    audio = new CCaptureRenderer(&hr);
    EXPECT_EQ(graph->AddFilter(source.Get(), u"Source"), S_OK);
    EXPECT_EQ(graph->AddFilter(demux.Get(), u"Demux"), S_OK);
    EXPECT_EQ(graph->AddFilter(sections.Get(), u"Sections"), S_OK);
    EXPECT_EQ(graph->AddFilter(video.Get(), u"Video"), S_OK);
    EXPECT_EQ(graph->AddFilter(audio.Get(), u"Audio"), S_OK);
    EXPECT_EQ(graph->ConnectDirect(source->Stream(), demux->GetPin(0), nullptr), S_OK);
    CMediaType st = SectionType(), vt = VideoType(), at = AudioType();
    EXPECT_EQ(demuxer->CreateOutputPin(&st, PinName{u"Sections"}, &sectionPin), S_OK);
    EXPECT_EQ(demuxer->CreateOutputPin(&vt, PinName{u"Video"}, &videoPin), S_OK);
    EXPECT_EQ(demuxer->CreateOutputPin(&at, PinName{u"Audio"}, &audioPin), S_OK);
    EXPECT_EQ(graph->ConnectDirect(sectionPin.Get(), sections->InputPin(), nullptr), S_OK);
    EXPECT_EQ(graph->ConnectDirect(videoPin.Get(), video->InputPin(), nullptr), S_OK);
    EXPECT_EQ(graph->ConnectDirect(audioPin.Get(), audio->InputPin(), nullptr), S_OK);
    if (!withClock) graph.As<IMediaFilter>()->SetSyncSource(nullptr);
  }
  ~DemuxGraph() {
    if (control) control->Stop();
  }

  static HRESULT Map(IPin* pin, std::vector<ULONG> pids, MEDIA_SAMPLE_CONTENT content) {
    ComPtr<IMPEG2PIDMap> map;
    const HRESULT hr = pin->QueryInterface(IID_PPV_ARGS(&map));
    if (FAILED(hr)) return hr;
    return map->MapPID(static_cast<ULONG>(pids.size()), pids.data(), content);
  }

  // Runs until every renderer has seen the end of the stream, then stops.
  void RunToCompletion() {
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    LONG code = 0;
    ASSERT_EQ(events->WaitForCompletion(10000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(control->Stop(), S_OK);
  }

  ComPtr<IFilterGraph2> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEventEx> events;
  ComPtr<CDemuxFilter> demux;
  ComPtr<IMpeg2Demultiplexer> demuxer;
  ComPtr<CTsSource> source;
  ComPtr<CCaptureRenderer> sections, video, audio;
  ComPtr<IPin> sectionPin, videoPin, audioPin;
};

}  // namespace demux::test

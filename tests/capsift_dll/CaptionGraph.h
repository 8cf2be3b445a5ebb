// A test graph: video source -> caption parser -> capturing renderer, run
// without a clock so the renderer takes samples at once.
#pragma once

#include <chrono>
#include <thread>

#include "platform/com/ClassFactory.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MemAllocator.h"
#include "tests/capsift_dll/VideoSource.h"
#include "tests/support/CaptureRenderer.h"
#include "tests/support/PushSource.h"
#include "tests/support/Wait.h"

namespace capsift::test {

inline IPin* PinOf(IBaseFilter* filter, int index) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins))) return nullptr;
  IPin* pin = nullptr;
  for (int i = 0; i <= index; ++i) {
    if (pin != nullptr) pin->Release();
    pin = nullptr;
    ULONG fetched = 0;
    if (pins->Next(1, &pin, &fetched) != S_OK) return nullptr;
  }
  pin->Release();  // the filter keeps its pins alive
  return pin;
}

struct CaptionGraph {
  ComPtr<IFilterGraph2> graph;
  ComPtr<IMediaControl> control;
  ComPtr<CVideoSource> source;
  ComPtr<IBaseFilter> parser;
  ComPtr<CCaptureRenderer> renderer;

  explicit CaptionGraph(IBaseFilter* parserFilter,
                        const CMediaType& sourceType = CMediaType(MEDIATYPE_Video,
                                                                  MEDIASUBTYPE_MPEG2_VIDEO)) {
    media::RegisterClasses();
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
    graph.As(&control);
    ComPtr<IMediaFilter> timing;
    graph.As(&timing);
    timing->SetSyncSource(nullptr);
    source = new CVideoSource(sourceType);
    HRESULT hr = S_OK;
    renderer = new CCaptureRenderer(&hr, MEDIATYPE_AUXLine21Data);
    parser = parserFilter;
    graph->AddFilter(source.Get(), u"Video Source");
    graph->AddFilter(parser.Get(), u"CCParser");
    graph->AddFilter(renderer.Get(), u"Capture");
  }
  ~CaptionGraph() {
    if (control) control->Stop();
  }

  HRESULT ConnectInput() {
    return graph->ConnectDirect(PinOf(source.Get(), 0), PinOf(parser.Get(), 0), nullptr);
  }
  HRESULT ConnectOutput() {
    return graph->ConnectDirect(PinOf(parser.Get(), 1), PinOf(renderer.Get(), 0), nullptr);
  }
  HRESULT Connect() {
    const HRESULT hr = ConnectInput();
    return FAILED(hr) ? hr : ConnectOutput();
  }

  // Waits until the renderer has seen `count` ends of stream.
  bool WaitForEndOfStream(int count = 1, int milliseconds = 10000) {
    return testsupport::WaitUntil([&] { return renderer->EndOfStreamCount() >= count; },
                                  milliseconds);
  }
};

// Samples of a private allocator, for calling an input pin directly.
using testsupport::SampleMaker;

}  // namespace capsift::test

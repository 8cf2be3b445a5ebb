#include "graph/player/CaptionPath.h"

#include "common/ErrorBox.h"
#include "filters/tee/Tee.h"
#include "graph/ingest/ConnectFilters.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/HResult.h"
#include "platform/com/Module.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/MediaType.h"

namespace graph {
namespace {

constexpr CLSID kCCParserClass = com::GuidOf("25C27591-171D-41EE-B715-B122D54550EF");

// The caption filter from the library loaded by file name; the factory is
// released after use and the library stays loaded.
HRESULT CreateCCParser(ComPtr<IBaseFilter>& parser) {
  HMODULE module = LoadLibraryA("capsift.dll");
  if (module == nullptr) return HRESULT_FROM_WIN32(GetLastError());
  const auto getClassObject =
      com::ProcAs<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
  if (getClassObject == nullptr) return HRESULT_FROM_WIN32(GetLastError());
  ComPtr<IClassFactory> factory;
  HRESULT hr = getClassObject(kCCParserClass, IID_PPV_ARGS(&factory));
  if (FAILED(hr)) return hr;
  if (!factory) return E_UNEXPECTED;
  return factory->CreateInstance(nullptr, IID_PPV_ARGS(&parser));
}

HRESULT Show(const char* format, HRESULT hr) {
  common::ErrorBox(format, com::ResultName(hr).c_str());
  return hr;
}

}  // namespace

HRESULT AddCaptionPath(IGraphBuilder* graph, IBaseFilter* upstream, CaptionFilters& added) {
  ComPtr<IBaseFilter> tee = new CTee();
  if (SUCCEEDED(graph->AddFilter(tee.Get(), u"Video Tee"))) {
    // The video reaches the tee first, so the decoder can take it from there
    // whatever becomes of the captions.
    added.videoTee = tee;
    AM_MEDIA_TYPE video{};
    video.majortype = MEDIATYPE_Video;
    ConnectFilters(graph, upstream, tee.Get(), &video);
  }

  HRESULT hr = CreateCCParser(added.ccParser);
  if (FAILED(hr)) {
    added.ccParser.Reset();
    Show("Could not create CC parser. Error: %s", hr);
  }
  hr = CoCreateInstance(CLSID_Line21Decoder2, nullptr, CLSCTX_INPROC_SERVER,
                        IID_PPV_ARGS(&added.line21Decoder));
  if (FAILED(hr)) {
    added.line21Decoder.Reset();
    return Show("Could not create Line 21 Decoder. Error: %s", hr);
  }
  if (!added.ccParser) return E_FAIL;
  hr = graph->AddFilter(added.ccParser.Get(), u"CCParser");
  if (FAILED(hr)) {
    added.ccParser.Reset();
    return Show("Could not add CC parser to graph. Error: %s", hr);
  }
  hr = graph->AddFilter(added.line21Decoder.Get(), u"Line 21 Decoder 2");
  if (FAILED(hr)) {
    added.line21Decoder.Reset();
    return Show("Could not add Line 21 Decoder to graph. Error: %s", hr);
  }
  if (!added.videoTee) return E_FAIL;
  hr = ConnectFilters(graph, added.videoTee.Get(), added.ccParser.Get());
  if (FAILED(hr)) return Show("Could not connect CC parser to upstream filter. Error: %s", hr);
  hr = ConnectFilters(graph, added.ccParser.Get(), added.line21Decoder.Get());
  if (FAILED(hr)) return Show("Could not connect Line 21 Decoder to CC parser. Error: %s", hr);
  return S_OK;
}

}  // namespace graph

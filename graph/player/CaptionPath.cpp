#include "graph/player/CaptionPath.h"

#include <string>

#include "capsift/dll/LoadCaptionFilter.h"
#include "common/ErrorBox.h"
#include "filters/tee/Tee.h"
#include "graph/ingest/ConnectFilters.h"
#include "platform/av/line21/Line21Interfaces.h"
#include "platform/com/ClassFactory.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/MediaType.h"

namespace graph {
namespace {

constexpr char16_t kVideoTeeName[] = u"Video Tee";
constexpr char16_t kCcParserName[] = u"CCParser";
constexpr char16_t kLine21DecoderName[] = u"Line 21 Decoder 2";

HRESULT Fail(IFilterGraph* graph, CaptionSlots& slots, const char* format, HRESULT hr) {
  common::ErrorBox(format, com::ResultName(hr).c_str());
  RemoveCaptionPath(graph, slots);
  return FAILED(hr) ? hr : E_FAIL;
}

}  // namespace

HRESULT AddCaptionPath(IFilterGraph* graph, IBaseFilter* upstream, bool captionsOn,
                       CaptionSlots& slots, const char* libraryName) {
  HRESULT hr = S_OK;
  ComPtr<IBaseFilter> tee(static_cast<CTee*>(CTee::CreateInstance(nullptr, &hr)));
  if (SUCCEEDED(hr) && tee && SUCCEEDED(graph->AddFilter(tee.Get(), kVideoTeeName))) {
    slots.videoTee = tee;
  }

  capsift::LoadedCaptionFilter parser = capsift::LoadCaptionFilter(libraryName);
  if (FAILED(parser.hr))
    return Fail(graph, slots, "Could not create CC parser. Error: %s", parser.hr);

  ComPtr<IBaseFilter> line21;
  hr = CoCreateInstance(CLSID_Line21Decoder2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&line21));
  if (FAILED(hr)) return Fail(graph, slots, "Could not create Line 21 Decoder. Error: %s", hr);

  hr = graph->AddFilter(parser.filter.Get(), kCcParserName);
  if (FAILED(hr)) return Fail(graph, slots, "Could not add CC parser to graph. Error: %s", hr);
  slots.ccParser = parser.filter;
  hr = graph->AddFilter(line21.Get(), kLine21DecoderName);
  if (FAILED(hr))
    return Fail(graph, slots, "Could not add Line 21 Decoder to graph. Error: %s", hr);
  slots.line21Decoder = line21;

  if (slots.videoTee) {
    CMediaType video;
    video.SetType(&MEDIATYPE_Video);
    ConnectFilters(graph, upstream, slots.videoTee.Get(), &video);
  }
  hr =
      ConnectFilters(graph, slots.videoTee ? slots.videoTee.Get() : upstream, slots.ccParser.Get());
  if (FAILED(hr)) {
    return Fail(graph, slots, "Could not connect CC parser to upstream filter. Error: %s", hr);
  }
  hr = ConnectFilters(graph, slots.ccParser.Get(), slots.line21Decoder.Get());
  if (FAILED(hr)) {
    return Fail(graph, slots, "Could not connect Line 21 Decoder to CC parser. Error: %s", hr);
  }
  SetCaptions(slots, captionsOn);
  return S_OK;
}

HRESULT ConnectCaptionRenderer(IFilterGraph* graph, const CaptionSlots& slots,
                               IBaseFilter* renderer) {
  if (!slots.line21Decoder || renderer == nullptr) return S_FALSE;
  return ConnectFilters(graph, slots.line21Decoder.Get(), renderer);
}

HRESULT SetCaptions(const CaptionSlots& slots, bool on) {
  if (!slots.line21Decoder) return S_FALSE;
  ComPtr<IAMLine21Decoder> decoder;
  HRESULT hr = slots.line21Decoder.As(&decoder);
  if (FAILED(hr)) return hr;
  AM_LINE21_CCLEVEL level = AM_L21_CCLEVEL_TC2;
  decoder->GetDecoderLevel(&level);
  return decoder->SetServiceState(on ? AM_L21_CCSTATE_On : AM_L21_CCSTATE_Off);
}

void RemoveCaptionPath(IFilterGraph* graph, CaptionSlots& slots) {
  for (ComPtr<IBaseFilter>* slot : {&slots.line21Decoder, &slots.ccParser, &slots.videoTee}) {
    if (*slot) graph->RemoveFilter(slot->Get());
    slot->Reset();
  }
}

}  // namespace graph

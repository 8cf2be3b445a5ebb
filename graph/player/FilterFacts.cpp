#include "graph/player/FilterFacts.h"

#include <cstring>
#include <string_view>

#include "common/Utf16.h"
#include "platform/com/ComPtr.h"
#include "platform/media/Formats.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/MediaType.h"
#include "platform/media/WaveFormat.h"

namespace graph {
namespace {

std::string SubtypeName(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_MPEG2_VIDEO) return "MPEG-2 video";
  if (subtype == MEDIASUBTYPE_H264) return "H.264 video";
  if (subtype == MEDIASUBTYPE_DOLBY_AC3) return "Dolby AC-3 audio";
  if (subtype == MEDIASUBTYPE_MPEG2_AUDIO) return "MPEG-2 audio";
  if (subtype == MEDIASUBTYPE_I420) return "I420 pictures";
  if (subtype == MEDIASUBTYPE_PCM) return "PCM audio";
  return com::FormatGuid(subtype);
}

}  // namespace

std::string FormatText(const AM_MEDIA_TYPE& mt) {
  std::string text = SubtypeName(mt.subtype);
  if (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    VIDEOINFOHEADER2 vih;
    std::memcpy(&vih, mt.pbFormat, sizeof vih);
    text +=
        ", " + std::to_string(vih.bmiHeader.biWidth) + "x" + std::to_string(vih.bmiHeader.biHeight);
  } else if (mt.formattype == FORMAT_WaveFormatEx && mt.cbFormat >= sizeof(WAVEFORMATEX)) {
    WAVEFORMATEX wfx;
    std::memcpy(&wfx, mt.pbFormat, sizeof wfx);
    text += ", " + std::to_string(wfx.nSamplesPerSec) + " Hz, " + std::to_string(wfx.nChannels) +
            " channels";
  }
  return text;
}

namespace {

// The format of the first connected pin of that direction, or "".
std::string ConnectedFormat(IBaseFilter* filter, PIN_DIRECTION wanted) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins)) || !pins) return {};
  for (;;) {
    ComPtr<IPin> pin;
    ULONG fetched = 0;
    if (pins->Next(1, &pin, &fetched) != S_OK || fetched != 1) return {};
    PIN_DIRECTION direction = PINDIR_INPUT;
    if (FAILED(pin->QueryDirection(&direction)) || direction != wanted) continue;
    AM_MEDIA_TYPE mt;
    if (pin->ConnectionMediaType(&mt) != S_OK) continue;
    std::string text = FormatText(mt);
    FreeMediaType(mt);
    return text;
  }
}

}  // namespace

FilterFacts FactsOf(IBaseFilter* filter) {
  FilterFacts facts;
  FILTER_INFO info;
  if (SUCCEEDED(filter->QueryFilterInfo(&info))) {
    facts.name = common::ToUtf8(std::u16string_view(info.achName));
    if (info.pGraph) info.pGraph->Release();
  }
  CLSID clsid{};
  if (SUCCEEDED(filter->GetClassID(&clsid))) facts.classId = com::FormatGuid(clsid);
  facts.input = ConnectedFormat(filter, PINDIR_INPUT);
  facts.output = ConnectedFormat(filter, PINDIR_OUTPUT);
  return facts;
}

}  // namespace graph

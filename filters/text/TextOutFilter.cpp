#include "filters/text/TextOutFilter.h"

#include <cstring>

#include "filters/text/TextRecord.h"

CTextOutFilter::CTextOutFilter()
    : CBaseRenderer(CLSID_TextOutFilter, "text renderer", nullptr, nullptr) {}

CUnknown* CTextOutFilter::CreateInstance(IUnknown*, HRESULT* hr) {
  if (hr != nullptr) *hr = S_OK;
  return new CTextOutFilter;
}

HRESULT CreateTextRenderer(CTextOutFilter** filter) {
  if (filter == nullptr) return E_POINTER;
  *filter = new CTextOutFilter;
  (*filter)->AddRef();
  return S_OK;
}

HRESULT CTextOutFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_ITextRenderer) return GetInterface(static_cast<ITextRenderer*>(this), object);
  return CBaseRenderer::NonDelegatingQueryInterface(iid, object);
}

HRESULT CTextOutFilter::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  return mt->majortype == MEDIATYPE_TextStream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CTextOutFilter::GetMediaType(int position, CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  SetTextMediaType(mt);
  return S_OK;
}

HRESULT CTextOutFilter::DoRenderSample(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  const LONG length = sample->GetActualDataLength();
  if (length < 0 || length >= kMaxKeptTextSample) return S_OK;  // not kept
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || (data == nullptr && length > 0)) return S_OK;
  REFERENCE_TIME start = 0, stop = 0;
  const HRESULT timeResult = sample->GetTime(&start, &stop);
  if (FAILED(timeResult)) {
    start = 0;
    stop = 0;
  } else if (timeResult == VFW_S_NO_STOP_TIME) {
    stop = start;
  }
  std::lock_guard<std::mutex> guard(textLock_);
  if (length > 0) std::memcpy(bytes_.data(), data, static_cast<std::size_t>(length));
  length_ = static_cast<std::size_t>(length);
  start_ = start;
  stop_ = stop;
  haveText_ = true;
  return S_OK;
}

HRESULT CTextOutFilter::GetText(tables::NowPlayingInfo* info, REFERENCE_TIME* start) {
  if (info == nullptr || start == nullptr) return E_POINTER;
  std::lock_guard<std::mutex> guard(textLock_);
  if (!haveText_) return E_FAIL;
  filters::DecodeTextRecord(std::span<const std::uint8_t>(bytes_.data(), length_), info);
  *start = start_;
  return S_OK;
}

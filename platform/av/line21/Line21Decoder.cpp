#include "platform/av/line21/Line21Decoder.h"

#include <algorithm>
#include <cstring>

#include "platform/av/video/VideoFormats.h"

namespace av::line21 {
namespace {

constexpr LONG kPictureBuffers = 2;

// The caption page of a service; 0 for none.
int PageOf(AM_LINE21_CCSERVICE service) {
  switch (service) {
    case AM_L21_CCSERVICE_Caption1:
      return 1;
    case AM_L21_CCSERVICE_Caption2:
      return 2;
    case AM_L21_CCSERVICE_Text1:
      return 5;
    case AM_L21_CCSERVICE_Text2:
      return 6;
    default:
      return 0;
  }
}

}  // namespace

CMediaType CaptionPictureType() {
  CMediaType mt(MEDIATYPE_Video, MEDIASUBTYPE_ARGB32);
  mt.SetFormatType(&FORMAT_VideoInfo2);
  VIDEOINFOHEADER2 vih;
  vih.bmiHeader.biWidth = CaptionScreen::kWidth;
  vih.bmiHeader.biHeight = -CaptionScreen::kHeight;  // top row first
  vih.bmiHeader.biBitCount = 32;
  vih.bmiHeader.biSizeImage = CaptionScreen::kPictureBytes;
  mt.SetFormat(reinterpret_cast<const BYTE*>(&vih), sizeof vih);
  mt.SetSampleSize(CaptionScreen::kPictureBytes);
  return mt;
}

CLine21Decoder2::CLine21Decoder2()
    : CTransformFilter("Line 21 decoder", CLSID_Line21Decoder2, u"Line 21 In", u"Line 21 Out"),
      picture_(CaptionScreen::kPictureBytes) {}

CUnknown* CLine21Decoder2::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  if (hr) *hr = S_OK;
  return new CLine21Decoder2;
}

HRESULT CLine21Decoder2::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IAMLine21Decoder)
    return GetInterface(static_cast<IAMLine21Decoder*>(this), object);
  if (iid == IID_ILine21Pages) return GetInterface(static_cast<ILine21Pages*>(this), object);
  return CTransformFilter::NonDelegatingQueryInterface(iid, object);
}

HRESULT CLine21Decoder2::CheckInputType(const CMediaType* mt) {
  return mt->majortype == MEDIATYPE_AUXLine21Data && mt->subtype == MEDIASUBTYPE_Line21_BytePair
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CLine21Decoder2::CheckTransform(const CMediaType*, const CMediaType* output) {
  if (output->majortype != MEDIATYPE_Video || output->subtype != MEDIASUBTYPE_ARGB32) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  const auto format = video::ReadNativeVideoFormat(*output);
  return format && format->width == CaptionScreen::kWidth &&
                 format->height == CaptionScreen::kHeight && !format->bottomUp
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CLine21Decoder2::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mt = CaptionPictureType();
  return S_OK;
}

HRESULT CLine21Decoder2::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES want = *request, got;
  want.cBuffers = std::max(want.cBuffers, kPictureBuffers);
  want.cbBuffer = std::max<LONG>(want.cbBuffer, CaptionScreen::kPictureBytes);
  want.cbAlign = std::max<LONG>(want.cbAlign, 1);
  const HRESULT hr = allocator->SetProperties(&want, &got);
  if (FAILED(hr)) return hr;
  return got.cbBuffer < CaptionScreen::kPictureBytes ? E_FAIL : S_OK;
}

HRESULT CLine21Decoder2::Receive(IMediaSample* sample) {
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  const long length = data == nullptr ? 0 : sample->GetActualDataLength();
  Line21Page page;
  {
    std::lock_guard lock(mutex_);
    if (sample->IsDiscontinuity() == S_OK) screen_.Reset();
    const bool changed = screen_.Feed({data, static_cast<std::size_t>(length)});
    const bool on = state_ == AM_L21_CCSTATE_On && service_ != AM_L21_CCSERVICE_None;
    if (on && changed) {
      screen_.Take(picture_.data());
      page.rows = screen_.Rows();
    } else if (!on && captionShown_) {
      std::fill(picture_.begin(), picture_.end(), 0);
    } else {
      return S_OK;
    }
    captionShown_ = !page.rows.empty();
  }
  return SendPicture(sample, page);
}

HRESULT CLine21Decoder2::SendPicture(IMediaSample* input, const Line21Page& shown) {
  Line21Page page = shown;
  REFERENCE_TIME start = 0, stop = 0;
  const bool timed = SUCCEEDED(input->GetTime(&start, &stop));
  if (timed) page.time = start;
  ComPtr<IMediaSample> out;
  HRESULT hr = GetDeliveryBuffer(&out);
  if (FAILED(hr)) return hr;
  BYTE* buffer = nullptr;
  out->GetPointer(&buffer);
  std::memcpy(buffer, picture_.data(), picture_.size());
  out->SetActualDataLength(CaptionScreen::kPictureBytes);
  if (timed) {
    out->SetTime(&start, &stop);
  } else {
    out->SetTime(nullptr, nullptr);
  }
  out->SetSyncPoint(TRUE);
  out->SetPreroll(FALSE);
  out->SetDiscontinuity(FALSE);
  hr = Deliver(out.Get());
  std::function<void(const Line21Page&)> observer;
  {
    std::lock_guard lock(mutex_);
    observer = observer_;
  }
  if (observer) observer(page);
  return hr;
}

HRESULT CLine21Decoder2::EndFlush() {
  {
    std::lock_guard lock(mutex_);
    screen_.Reset();
  }
  return CTransformFilter::EndFlush();
}

HRESULT CLine21Decoder2::GetDecoderLevel(AM_LINE21_CCLEVEL* level) {
  if (level == nullptr) return E_POINTER;
  *level = AM_L21_CCLEVEL_TC2;
  return S_OK;
}

HRESULT CLine21Decoder2::GetCurrentService(AM_LINE21_CCSERVICE* service) {
  if (service == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *service = service_;
  return S_OK;
}

HRESULT CLine21Decoder2::SetCurrentService(AM_LINE21_CCSERVICE service) {
  if (service == AM_L21_CCSERVICE_DefChannel) service = AM_L21_CCSERVICE_Caption1;
  const int page = PageOf(service);
  if (page == 0 && service != AM_L21_CCSERVICE_None) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  service_ = service;
  if (page != 0) screen_.SelectPage(page);
  screen_.Invalidate();
  return S_OK;
}

HRESULT CLine21Decoder2::GetServiceState(AM_LINE21_CCSTATE* state) {
  if (state == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *state = state_;
  return S_OK;
}

HRESULT CLine21Decoder2::SetServiceState(AM_LINE21_CCSTATE state) {
  if (state != AM_L21_CCSTATE_Off && state != AM_L21_CCSTATE_On) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  if (state == AM_L21_CCSTATE_On && state_ != state) screen_.Invalidate();
  state_ = state;
  return S_OK;
}

HRESULT CLine21Decoder2::SetPageObserver(std::function<void(const Line21Page&)> observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
  return S_OK;
}

}  // namespace av::line21

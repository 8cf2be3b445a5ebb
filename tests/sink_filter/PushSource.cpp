#include "tests/sink_filter/PushSource.h"

#include <algorithm>

namespace sinktest {

class CPushSource::Pin : public CBaseOutputPin {
 public:
  Pin(CPushSource* filter, HRESULT* hr, const CMediaType& type, LONG bufferSize)
      : CBaseOutputPin("push out", filter, &filter->lock_, hr, u"Out"),
        type_(type),
        bufferSize_(bufferSize) {}

  HRESULT CheckMediaType(const CMediaType* mt) override {
    return *mt == type_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT GetMediaType(int position, CMediaType* mt) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *mt = type_;
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    ALLOCATOR_PROPERTIES want = *request;
    want.cBuffers = std::max<LONG>(want.cBuffers, 16);
    want.cbBuffer = std::max<LONG>(want.cbBuffer, bufferSize_);
    want.cbAlign = std::max<LONG>(want.cbAlign, 1);
    const HRESULT hr = allocator->SetProperties(&want, &granted_);
    return FAILED(hr) ? hr : S_OK;
  }

  ALLOCATOR_PROPERTIES granted_;

 private:
  CMediaType type_;
  LONG bufferSize_;
};

CPushSource::CPushSource(const CMediaType& type, LONG bufferSize)
    : CBaseFilter("push source", &lock_, CLSID_PushSource) {
  HRESULT hr = S_OK;
  pin_ = new Pin(this, &hr, type, bufferSize);
}

CPushSource::~CPushSource() {
  delete pin_;
}

CBasePin* CPushSource::GetPin(int n) {
  return n == 0 ? pin_ : nullptr;
}

IPin* CPushSource::Output() {
  return pin_;
}

HRESULT CPushSource::Push(std::span<const std::uint8_t> data, std::optional<REFERENCE_TIME> start,
                          bool discontinuity) {
  IMediaSample* sample = nullptr;
  HRESULT hr = pin_->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* buffer = nullptr;
  sample->GetPointer(&buffer);
  const auto n = std::min<std::size_t>(data.size(), static_cast<std::size_t>(sample->GetSize()));
  std::copy_n(data.begin(), n, buffer);
  sample->SetActualDataLength(static_cast<LONG>(n));
  if (start) {
    REFERENCE_TIME t = *start, end = *start + 1;
    sample->SetTime(&t, &end);
  } else {
    sample->SetTime(nullptr, nullptr);
  }
  sample->SetDiscontinuity(discontinuity ? TRUE : FALSE);
  hr = pin_->Deliver(sample);
  sample->Release();
  return hr;
}

HRESULT CPushSource::EndOfStream() {
  return pin_->DeliverEndOfStream();
}

ALLOCATOR_PROPERTIES CPushSource::Granted() const {
  return pin_->granted_;
}

}  // namespace sinktest

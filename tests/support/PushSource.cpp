#include "tests/support/PushSource.h"

#include <algorithm>

#include "platform/media/MemAllocator.h"

namespace testsupport {

class CPushSource::Pin : public CBaseOutputPin {
 public:
  Pin(CPushSource* filter, HRESULT* hr, std::vector<CMediaType> types,
      const PushSourceOptions& options)
      : CBaseOutputPin("push out", filter, &filter->lock_, hr, u"Out"),
        filter_(filter),
        types_(std::move(types)),
        options_(options) {}

  HRESULT CheckMediaType(const CMediaType* mt) override {
    for (const CMediaType& type : types_)
      if (*mt == type) return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT GetMediaType(int position, CMediaType* mt) override {
    if (position < 0) return E_INVALIDARG;
    if (position >= static_cast<int>(types_.size())) return VFW_S_NO_MORE_ITEMS;
    *mt = types_[static_cast<std::size_t>(position)];
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    ALLOCATOR_PROPERTIES want = *request;
    want.cBuffers = std::max(want.cBuffers, options_.buffers);
    want.cbBuffer = std::max(want.cbBuffer, options_.bufferSize);
    want.cbAlign = std::max<LONG>(want.cbAlign, 1);
    const HRESULT hr = allocator->SetProperties(&want, &granted_);
    return FAILED(hr) ? hr : S_OK;
  }
  HRESULT Notify(IBaseFilter*, Quality) override {
    ++filter_->qualityNotices_;
    return S_OK;
  }

  ALLOCATOR_PROPERTIES granted_;

 private:
  CPushSource* filter_;
  std::vector<CMediaType> types_;
  PushSourceOptions options_;
};

CPushSource::CPushSource(std::vector<CMediaType> types, const PushSourceOptions& options)
    : CBaseFilter("push source", &lock_, options.clsid) {
  HRESULT hr = S_OK;
  pin_ = new Pin(this, &hr, std::move(types), options);
}

CPushSource::CPushSource(const CMediaType& type, LONG bufferSize)
    : CPushSource(std::vector<CMediaType>{type}, PushSourceOptions{.bufferSize = bufferSize}) {}

CPushSource::~CPushSource() {
  delete pin_;
}

CBasePin* CPushSource::GetPin(int n) {
  return n == 0 ? pin_ : nullptr;
}

CBaseOutputPin* CPushSource::Output() {
  return pin_;
}

HRESULT CPushSource::Push(std::span<const std::uint8_t> data, std::optional<REFERENCE_TIME> start,
                          bool discontinuity) {
  return Deliver(data, start, discontinuity, nullptr, nullptr);
}

HRESULT CPushSource::Send(std::span<const std::uint8_t> data, const CMediaType* newType,
                          BYTE** bufferUsed) {
  return Deliver(data, std::nullopt, false, newType, bufferUsed);
}

HRESULT CPushSource::Deliver(std::span<const std::uint8_t> data,
                             std::optional<REFERENCE_TIME> start, bool discontinuity,
                             const CMediaType* newType, BYTE** bufferUsed) {
  ComPtr<IMediaSample> sample;
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
  if (newType != nullptr) {
    AM_MEDIA_TYPE copy = *newType;
    sample->SetMediaType(&copy);
  }
  if (bufferUsed != nullptr) *bufferUsed = buffer;
  return pin_->Deliver(sample.Get());
}

HRESULT CPushSource::EndOfStream() {
  return pin_->DeliverEndOfStream();
}

ALLOCATOR_PROPERTIES CPushSource::Granted() const {
  return pin_->granted_;
}

SampleMaker::SampleMaker(LONG bufferSize, LONG buffers) : allocator_(new CMemAllocator) {
  ALLOCATOR_PROPERTIES want, got;
  want.cBuffers = buffers;
  want.cbBuffer = bufferSize;
  want.cbAlign = 1;
  allocator_->SetProperties(&want, &got);
  allocator_->Commit();
}

SampleMaker::~SampleMaker() {
  allocator_->Decommit();
}

ComPtr<IMediaSample> SampleMaker::Make(std::span<const std::uint8_t> bytes,
                                       std::optional<REFERENCE_TIME> start, bool discontinuity,
                                       const AM_MEDIA_TYPE* type) {
  ComPtr<IMediaSample> sample;
  allocator_->GetBuffer(&sample, nullptr, nullptr, 0);
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  std::copy(bytes.begin(), bytes.end(), data);
  sample->SetActualDataLength(static_cast<LONG>(bytes.size()));
  if (start) {
    REFERENCE_TIME s = *start, e = *start + 1;
    sample->SetTime(&s, &e);
  }
  sample->SetDiscontinuity(discontinuity ? TRUE : FALSE);
  if (type != nullptr) sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(type));
  return sample;
}

ComPtr<IMediaSample> SampleMaker::MakeWithFlags(std::span<const std::uint8_t> bytes, DWORD flags) {
  ComPtr<IMediaSample> sample = Make(bytes);
  ComPtr<IMediaSample2> sample2;
  sample.As(&sample2);
  AM_SAMPLE2_PROPERTIES props;
  sample2->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props));
  props.dwTypeSpecificFlags = flags;
  sample2->SetProperties(sizeof props, reinterpret_cast<const BYTE*>(&props));
  return sample;
}

}  // namespace testsupport

#include "capsift/dll/CFilter.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "capsift/dll/ModuleExtractor.h"
#include "capsift/dll/Registration.h"
#include "platform/com/TaskMemory.h"

namespace capsift {

// ---- CFilter -------------------------------------------------------------

CUnknown* CFilter::CreateInstance(IUnknown*, HRESULT* hr) {
  auto* filter = new (std::nothrow) CFilter(hr);
  if (filter == nullptr) *hr = E_OUTOFMEMORY;
  return filter;  // with a failure in *hr the factory drops it again
}

CFilter::CFilter(HRESULT* hr) : CBaseFilter("CCParser", &lock_, CLSID_CCParser) {
  input_.reset(new (std::nothrow) CInputPin(this, &lock_, hr));
  output_.reset(new (std::nothrow) COutputPin(this, &lock_, hr));
  if (!input_ || !output_) {
    *hr = E_OUTOFMEMORY;
    return;
  }
  if (!ModuleExtractor::Instance().Bind(this)) *hr = E_OUTOFMEMORY;
}

CFilter::~CFilter() {
  ModuleExtractor::Instance().Unbind(this);
  output_.reset();
  input_.reset();
}

HRESULT CFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_ISpecifyPropertyPages) {
    return GetInterface(static_cast<ISpecifyPropertyPages*>(this), object);
  }
  if (iid == IID_ICCParserParams) return GetInterface(static_cast<ICCParserParams*>(this), object);
  if (iid == IID_IAMovieSetup) return GetInterface(static_cast<IAMovieSetup*>(this), object);
  return CBaseFilter::NonDelegatingQueryInterface(iid, object);
}

CBasePin* CFilter::GetPin(int n) {
  if (n == 0) return input_.get();
  if (n == 1) return output_.get();
  return nullptr;
}

HRESULT CFilter::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (pages->pElems == nullptr) return E_OUTOFMEMORY;
  pages->pElems[0] = CLSID_CCParserPropertyPage;
  pages->cElems = 1;
  return S_OK;
}

HRESULT CFilter::GetParams(LONG*) {
  return S_OK;
}

HRESULT CFilter::SetParams(LONG, LONG) {
  return S_OK;
}

HRESULT CFilter::SetPageWindow(OAHWND window, IPropertyPage* page) {
  CAutoLock lock(&lock_);
  pageWindow_ = window;
  page_ = page;
  return S_OK;
}

HRESULT CFilter::Register() {
  return RegisterCaptionFilter();
}

HRESULT CFilter::Unregister() {
  return UnregisterCaptionFilter();
}

void CFilter::EmitCaptionUnit(std::span<const std::uint8_t> bytes, std::int64_t startTime) {
  IMediaSample* sample = nullptr;
  if (FAILED(output_->GetDeliveryBuffer(&sample, nullptr, nullptr, 0)) || sample == nullptr) {
    return;  // stopping, or no allocator: the unit is lost, streaming goes on
  }
  REFERENCE_TIME start = startTime;
  REFERENCE_TIME stop = startTime + 1;
  LONGLONG mediaStart = ModuleExtractor::Instance().NextMediaTime();
  LONGLONG mediaStop = mediaStart + 1;
  sample->SetTime(&start, &stop);
  sample->SetMediaTime(&mediaStart, &mediaStop);
  sample->SetSyncPoint(TRUE);
  sample->SetDiscontinuity(FALSE);
  sample->SetPreroll(FALSE);
  BYTE* buffer = nullptr;
  const auto size = static_cast<std::size_t>(std::max<LONG>(sample->GetSize(), 0));
  // A buffer smaller than the unit cannot come from a connection this pin
  // agreed, but an allocator is outside the filter's control: never write
  // past it.
  if (SUCCEEDED(sample->GetPointer(&buffer)) && buffer != nullptr && bytes.size() <= size) {
    std::memcpy(buffer, bytes.data(), bytes.size());
    sample->SetActualDataLength(static_cast<LONG>(bytes.size()));
    output_->Deliver(sample);
  }
  sample->Release();
}

// ---- CInputPin -------------------------------------------------------------

CInputPin::CInputPin(CFilter* filter, CCritSec* filterLock, HRESULT* hr)
    : CBaseInputPin("CCParser input", filter, filterLock, hr, kInputPinName), owner_(filter) {}

HRESULT CInputPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  if (mt->majortype == MEDIATYPE_Video &&
      (mt->subtype == MEDIASUBTYPE_MPEG2_VIDEO || mt->subtype == MEDIASUBTYPE_H264)) {
    return S_OK;
  }
  return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CInputPin::GetMediaType(int, CMediaType*) {
  return VFW_S_NO_MORE_ITEMS;
}

HRESULT CInputPin::Receive(IMediaSample* sample) {
  CAutoLock lock(&receiveLock_);
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;

  ModuleExtractor& extractor = ModuleExtractor::Instance();
  AM_MEDIA_TYPE* type = nullptr;
  if (sample->GetMediaType(&type) == S_OK && type != nullptr) {
    const CMediaType adopted(*type);
    DeleteMediaType(type);
    SetMediaType(&adopted);
    extractor.Reset();
  }
  if (sample->IsDiscontinuity() == S_OK) extractor.Reset();

  std::optional<std::int64_t> startTime;
  REFERENCE_TIME start = 0, stop = 0;
  if (SUCCEEDED(sample->GetTime(&start, &stop))) {
    inputStart_ = start;
    inputStop_ = stop;
    startTime = start;
  }

  BYTE* data = nullptr;
  const LONG length = sample->GetActualDataLength();
  if (length > 0 && SUCCEEDED(sample->GetPointer(&data)) && data != nullptr) {
    extractor.Push(startTime, {data, static_cast<std::size_t>(length)});
  } else if (startTime) {
    extractor.Push(startTime, {});
  }
  return S_OK;
}

HRESULT CInputPin::EndOfStream() {
  CAutoLock lock(&receiveLock_);
  return owner_->OutputPin()->DeliverEndOfStream();
}

HRESULT CInputPin::BeginFlush() {
  CAutoLock lock(owner_->FilterLock());
  CBaseInputPin::BeginFlush();
  owner_->OutputPin()->DeliverBeginFlush();
  // Wait for a Receive in progress: it sees the flushing state from now on.
  CAutoLock wait(&receiveLock_);
  return S_OK;
}

HRESULT CInputPin::EndFlush() {
  CAutoLock lock(owner_->FilterLock());
  ModuleExtractor::Instance().Reset();
  owner_->OutputPin()->DeliverEndFlush();
  return CBaseInputPin::EndFlush();
}

// ---- COutputPin ------------------------------------------------------------

COutputPin::COutputPin(CFilter* filter, CCritSec* filterLock, HRESULT* hr)
    : CBaseOutputPin("CCParser output", filter, filterLock, hr, kOutputPinName), owner_(filter) {}

COutputPin::~COutputPin() = default;

HRESULT COutputPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  if (!owner_->InputPin()->IsConnected()) return S_FALSE;
  if (mt->majortype == MEDIATYPE_AUXLine21Data && mt->subtype == MEDIASUBTYPE_Line21_BytePair) {
    return S_OK;
  }
  return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT COutputPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  if (mt == nullptr) return E_POINTER;
  mt->InitMediaType();
  mt->SetType(&MEDIATYPE_AUXLine21Data);
  mt->SetSubtype(&MEDIASUBTYPE_Line21_BytePair);
  mt->SetFormatType(&GUID_NULL);
  mt->SetTemporalCompression(FALSE);
  mt->SetSampleSize(kOutputBufferSize);
  return S_OK;
}

HRESULT COutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES*) {
  if (allocator == nullptr) return E_POINTER;
  if (!owner_->InputPin()->IsConnected()) return E_UNEXPECTED;
  ALLOCATOR_PROPERTIES want;
  want.cBuffers = kOutputBufferCount;
  want.cbBuffer = kOutputBufferSize;
  want.cbAlign = 1;
  want.cbPrefix = 0;
  ALLOCATOR_PROPERTIES got;
  const HRESULT hr = allocator->SetProperties(&want, &got);
  if (FAILED(hr)) return hr;
  if (got.cBuffers < kOutputBufferCount || got.cbBuffer < kOutputBufferSize) return E_FAIL;
  return S_OK;
}

HRESULT COutputPin::Active() {
  HRESULT hr = CBaseOutputPin::Active();
  if (FAILED(hr)) return hr;
  if (IsConnected() && !queue_) {
    hr = S_OK;
    std::unique_ptr<COutputQueue> queue(new (std::nothrow) COutputQueue(
        GetConnected(), &hr, /*automatic=*/true, /*queue=*/true, /*batchSize=*/1,
        /*batchExact=*/false, /*queueLength=*/10, /*priority=*/0));
    if (!queue) return E_OUTOFMEMORY;
    if (FAILED(hr)) return hr;
    std::lock_guard guard(queueMutex_);
    queue_ = std::move(queue);
  }
  return S_OK;
}

HRESULT COutputPin::Inactive() {
  std::unique_ptr<COutputQueue> queue;
  {
    std::lock_guard guard(queueMutex_);
    queue = std::move(queue_);
  }
  queue.reset();  // joins the worker; no delivery can reach it any more
  return CBaseOutputPin::Inactive();
}

HRESULT COutputPin::Deliver(IMediaSample* sample) {
  std::lock_guard guard(queueMutex_);
  if (!queue_) return S_OK;
  sample->AddRef();  // the queue takes this reference over
  return queue_->Receive(sample);
}

HRESULT COutputPin::DeliverEndOfStream() {
  std::lock_guard guard(queueMutex_);
  if (queue_) queue_->EOS();
  return S_OK;
}

HRESULT COutputPin::DeliverBeginFlush() {
  if (queue_) queue_->BeginFlush();
  return S_OK;
}

HRESULT COutputPin::DeliverEndFlush() {
  if (queue_) queue_->EndFlush();
  return S_OK;
}

HRESULT COutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  std::lock_guard guard(queueMutex_);
  if (queue_) queue_->NewSegment(start, stop, rate);
  return S_OK;
}

}  // namespace capsift

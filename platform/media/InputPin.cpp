#include "platform/media/InputPin.h"

#include "platform/media/MemAllocator.h"

CBaseInputPin::CBaseInputPin(const char* objectName, CBaseFilter* filter, CCritSec* lock,
                             HRESULT* hr, LPCWSTR name)
    : CBasePin(objectName, filter, lock, hr, name, PINDIR_INPUT) {}

CBaseInputPin::~CBaseInputPin() = default;

HRESULT CBaseInputPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMemInputPin) return GetInterface(static_cast<IMemInputPin*>(this), object);
  return CBasePin::NonDelegatingQueryInterface(iid, object);
}

HRESULT CBaseInputPin::GetAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  if (!allocator_) {
    auto* own = new CMemAllocator;
    allocator_ = static_cast<IMemAllocator*>(own);
  }
  return allocator_.CopyTo(allocator);
}

HRESULT CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
  if (allocator == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  allocator_ = allocator;
  readOnly_ = readOnly != FALSE;
  return S_OK;
}

HRESULT CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) {
  return E_NOTIMPL;
}

HRESULT CBaseInputPin::CheckStreaming() {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (IsStopped()) return VFW_E_WRONG_STATE;
  if (flushing_) return S_FALSE;
  if (runTimeError_) return VFW_E_RUNTIME_ERROR;
  return S_OK;
}

HRESULT CBaseInputPin::Receive(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  ComPtr<IMediaSample2> sample2;
  if (SUCCEEDED(sample->QueryInterface(IID_PPV_ARGS(&sample2)))) {
    sampleProps_ = AM_SAMPLE2_PROPERTIES();
    sample2->GetProperties(sizeof sampleProps_, reinterpret_cast<BYTE*>(&sampleProps_));
  } else {
    sampleProps_ = AM_SAMPLE2_PROPERTIES();
    sampleProps_.lActual = sample->GetActualDataLength();
    sampleProps_.cbBuffer = sample->GetSize();
    sample->GetPointer(&sampleProps_.pbBuffer);
    if (sample->IsSyncPoint() == S_OK) sampleProps_.dwSampleFlags |= AM_SAMPLE_SPLICEPOINT;
    if (sample->IsPreroll() == S_OK) sampleProps_.dwSampleFlags |= AM_SAMPLE_PREROLL;
    if (sample->IsDiscontinuity() == S_OK) {
      sampleProps_.dwSampleFlags |= AM_SAMPLE_DATADISCONTINUITY;
    }
    AM_MEDIA_TYPE* mt = nullptr;
    if (sample->GetMediaType(&mt) == S_OK && mt != nullptr) {
      DeleteMediaType(mt);
      sampleProps_.dwSampleFlags |= AM_SAMPLE_TYPECHANGED;
    }
  }
  if (sampleProps_.dwSampleFlags & AM_SAMPLE_TYPECHANGED) {
    AM_MEDIA_TYPE* mt = nullptr;
    if (sample->GetMediaType(&mt) == S_OK && mt != nullptr) {
      const CMediaType type(*mt);
      DeleteMediaType(mt);
      if (CheckMediaType(&type) != S_OK) {
        runTimeError_ = true;
        EndOfStream();
        filter_->NotifyEvent(EC_ERRORABORT, VFW_E_TYPE_NOT_ACCEPTED, 0);
        return VFW_E_INVALIDMEDIATYPE;
      }
    }
  }
  return S_OK;
}

HRESULT CBaseInputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) {
  if (samples == nullptr || processed == nullptr) return E_POINTER;
  *processed = 0;
  HRESULT hr = S_OK;
  while (*processed < count) {
    hr = Receive(samples[*processed]);
    if (hr != S_OK) break;
    ++*processed;
  }
  return hr;
}

HRESULT CBaseInputPin::ReceiveCanBlock() {
  int outputs = 0;
  for (int i = 0; i < filter_->GetPinCount(); ++i) {
    CBasePin* pin = filter_->GetPin(i);
    if (pin == nullptr || pin->Direction() != PINDIR_OUTPUT) continue;
    ++outputs;
    IPin* downstream = pin->GetConnected();
    if (downstream == nullptr) continue;
    ComPtr<IMemInputPin> input;
    if (FAILED(downstream->QueryInterface(IID_PPV_ARGS(&input)))) return S_OK;
    if (input->ReceiveCanBlock() != S_FALSE) return S_OK;
  }
  return outputs == 0 ? S_OK : S_FALSE;
}

HRESULT CBaseInputPin::BeginFlush() {
  CAutoLock lock(lock_);
  flushing_ = true;
  return S_OK;
}

HRESULT CBaseInputPin::EndFlush() {
  CAutoLock lock(lock_);
  flushing_ = false;
  runTimeError_ = false;
  return S_OK;
}

HRESULT CBaseInputPin::EndOfStream() {
  return S_OK;
}

HRESULT CBaseInputPin::BreakConnect() {
  allocator_ = nullptr;
  readOnly_ = false;
  return S_OK;
}

HRESULT CBaseInputPin::Inactive() {
  runTimeError_ = false;
  flushing_ = false;
  if (!allocator_) return S_OK;
  return allocator_->Decommit();
}

CRenderedInputPin::CRenderedInputPin(const char* objectName, CBaseFilter* filter, CCritSec* lock,
                                     HRESULT* hr, LPCWSTR name)
    : CBaseInputPin(objectName, filter, lock, hr, name) {}

HRESULT CRenderedInputPin::EndOfStream() {
  CAutoLock lock(lock_);
  const HRESULT hr = CheckStreaming();
  if (hr == S_OK) {
    atEndOfStream_ = true;
    if (filter_->State() == State_Running) DoCompleteHandling();
  }
  return hr;
}

HRESULT CRenderedInputPin::EndFlush() {
  CAutoLock lock(lock_);
  atEndOfStream_ = false;
  completed_ = false;
  return CBaseInputPin::EndFlush();
}

HRESULT CRenderedInputPin::Active() {
  atEndOfStream_ = false;
  completed_ = false;
  return CBaseInputPin::Active();
}

HRESULT CRenderedInputPin::Run(REFERENCE_TIME) {
  if (atEndOfStream_ && !completed_) DoCompleteHandling();
  return S_OK;
}

HRESULT CRenderedInputPin::QueryInternalConnections(IPin**, ULONG* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

void CRenderedInputPin::DoCompleteHandling() {
  if (completed_) return;
  completed_ = true;
  filter_->NotifyEvent(EC_COMPLETE, S_OK,
                       reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(filter_)));
}

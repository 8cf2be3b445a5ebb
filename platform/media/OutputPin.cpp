#include "platform/media/OutputPin.h"

#include "platform/media/MemAllocator.h"

CBaseOutputPin::CBaseOutputPin(const char* objectName, CBaseFilter* filter, CCritSec* lock,
                               HRESULT* hr, LPCWSTR name)
    : CBasePin(objectName, filter, lock, hr, name, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin() = default;

HRESULT CBaseOutputPin::CheckConnect(IPin* pin) {
  HRESULT hr = CBasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  ComPtr<IMemInputPin> input;
  hr = pin->QueryInterface(IID_PPV_ARGS(&input));
  if (FAILED(hr)) return VFW_E_NO_TRANSPORT;
  inputPin_ = input;
  return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*) {
  ComPtr<IMemAllocator> allocator;
  const HRESULT hr = DecideAllocator(inputPin_.Get(), &allocator);
  if (FAILED(hr)) return hr;
  allocator_ = allocator;
  return S_OK;
}

HRESULT CBaseOutputPin::BreakConnect() {
  if (allocator_) {
    allocator_->Decommit();
    allocator_ = nullptr;
  }
  inputPin_ = nullptr;
  return S_OK;
}

HRESULT CBaseOutputPin::Active() {
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->Commit();
}

HRESULT CBaseOutputPin::Inactive() {
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->Decommit();
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) {
  if (pin == nullptr || allocator == nullptr) return E_POINTER;
  *allocator = nullptr;
  ALLOCATOR_PROPERTIES request;
  pin->GetAllocatorRequirements(&request);  // zeros when the pin states none
  HRESULT hr = pin->GetAllocator(allocator);
  if (SUCCEEDED(hr) && *allocator != nullptr) {
    ALLOCATOR_PROPERTIES props = request;
    hr = DecideBufferSize(*allocator, &props);
    if (SUCCEEDED(hr)) {
      hr = pin->NotifyAllocator(*allocator, FALSE);
      if (SUCCEEDED(hr)) return S_OK;
    }
  }
  if (*allocator != nullptr) {
    (*allocator)->Release();
    *allocator = nullptr;
  }
  hr = InitAllocator(allocator);
  if (FAILED(hr)) return hr;
  ALLOCATOR_PROPERTIES props = request;
  hr = DecideBufferSize(*allocator, &props);
  if (SUCCEEDED(hr)) hr = pin->NotifyAllocator(*allocator, FALSE);
  if (FAILED(hr)) {
    (*allocator)->Release();
    *allocator = nullptr;
  }
  return hr;
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  auto* own = new CMemAllocator;
  *allocator = own;
  own->AddRef();
  return S_OK;
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                          REFERENCE_TIME* stop, DWORD flags) {
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->GetBuffer(sample, start, stop, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample) {
  if (!inputPin_) return VFW_E_NOT_CONNECTED;
  return inputPin_->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
  IPin* peer = GetConnected();
  if (peer == nullptr) return VFW_E_NOT_CONNECTED;
  return peer->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
  IPin* peer = GetConnected();
  if (peer == nullptr) return VFW_E_NOT_CONNECTED;
  return peer->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
  IPin* peer = GetConnected();
  if (peer == nullptr) return VFW_E_NOT_CONNECTED;
  return peer->EndFlush();
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  IPin* peer = GetConnected();
  if (peer == nullptr) return VFW_E_NOT_CONNECTED;
  return peer->NewSegment(start, stop, rate);
}

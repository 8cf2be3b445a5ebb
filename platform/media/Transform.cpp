#include "platform/media/Transform.h"

// ---- filter -------------------------------------------------------------------

CTransformFilter::CTransformFilter(const char* objectName, REFCLSID clsid, LPCWSTR inputName,
                                   LPCWSTR outputName)
    : CBaseFilter(objectName, &lock_, clsid) {
  HRESULT hr = S_OK;
  input_ = std::make_unique<CTransformInputPin>(this, &lock_, &hr, inputName);
  output_ = std::make_unique<CTransformOutputPin>(this, &lock_, &hr, outputName);
}

CTransformFilter::~CTransformFilter() = default;

CBasePin* CTransformFilter::GetPin(int n) {
  if (n == 0) return input_.get();
  if (n == 1) return output_.get();
  return nullptr;
}

HRESULT CTransformFilter::Pause() {
  CAutoLock lock(&lock_);
  if (state_ == State_Stopped) {
    CAutoLock receive(&receiveLock_);
    const HRESULT hr = StartStreaming();
    if (FAILED(hr)) return hr;
  }
  return CBaseFilter::Pause();
}

HRESULT CTransformFilter::Stop() {
  CAutoLock lock(&lock_);
  if (state_ == State_Stopped) return S_OK;
  // The pins go inactive first: their allocators decommit, which ends a
  // Receive waiting for a buffer; then the receive lock is free.
  const HRESULT hr = CBaseFilter::Stop();
  CAutoLock receive(&receiveLock_);
  StopStreaming();
  return hr;
}

HRESULT CTransformFilter::SetMediaType(PIN_DIRECTION, const CMediaType*) {
  return S_OK;
}

HRESULT CTransformFilter::CompleteConnect(PIN_DIRECTION, IPin*) {
  return S_OK;
}

HRESULT CTransformFilter::BreakConnect(PIN_DIRECTION) {
  return S_OK;
}

HRESULT CTransformFilter::StartStreaming() {
  return S_OK;
}

HRESULT CTransformFilter::StopStreaming() {
  return S_OK;
}

HRESULT CTransformFilter::EndOfStream() {
  return output_->IsConnected() ? output_->DeliverEndOfStream() : S_OK;
}

HRESULT CTransformFilter::BeginFlush() {
  return output_->IsConnected() ? output_->DeliverBeginFlush() : S_OK;
}

HRESULT CTransformFilter::EndFlush() {
  return output_->IsConnected() ? output_->DeliverEndFlush() : S_OK;
}

HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return output_->IsConnected() ? output_->DeliverNewSegment(start, stop, rate) : S_OK;
}

HRESULT CTransformFilter::GetDeliveryBuffer(IMediaSample** sample) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  if (!output_->IsConnected()) return VFW_E_NOT_CONNECTED;
  return output_->GetDeliveryBuffer(sample, nullptr, nullptr, 0);
}

HRESULT CTransformFilter::Deliver(IMediaSample* sample) {
  return output_->IsConnected() ? output_->Deliver(sample) : S_OK;
}

// ---- input pin ----------------------------------------------------------------

CTransformInputPin::CTransformInputPin(CTransformFilter* filter, CCritSec* lock, HRESULT* hr,
                                       LPCWSTR name)
    : CBaseInputPin("transform input", filter, lock, hr, name), transform_(filter) {}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  const HRESULT hr = transform_->CheckInputType(mt);
  return hr == S_OK ? S_OK : FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* mt) {
  const HRESULT hr = CBaseInputPin::SetMediaType(mt);
  return FAILED(hr) ? hr : transform_->SetMediaType(PINDIR_INPUT, mt);
}

HRESULT CTransformInputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
  return FAILED(hr) ? hr : transform_->CompleteConnect(PINDIR_INPUT, receivePin);
}

HRESULT CTransformInputPin::BreakConnect() {
  transform_->BreakConnect(PINDIR_INPUT);
  return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::Receive(IMediaSample* sample) {
  CAutoLock receive(&transform_->receiveLock_);
  const HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  return transform_->Receive(sample);
}

HRESULT CTransformInputPin::EndOfStream() {
  CAutoLock receive(&transform_->receiveLock_);
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  return transform_->EndOfStream();
}

HRESULT CTransformInputPin::BeginFlush() {
  CBaseInputPin::BeginFlush();
  return transform_->BeginFlush();
}

HRESULT CTransformInputPin::EndFlush() {
  {
    CAutoLock receive(&transform_->receiveLock_);
    transform_->EndFlush();
  }
  return CBaseInputPin::EndFlush();
}

HRESULT CTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  CBaseInputPin::NewSegment(start, stop, rate);
  return transform_->NewSegment(start, stop, rate);
}

// ---- output pin ---------------------------------------------------------------

CTransformOutputPin::CTransformOutputPin(CTransformFilter* filter, CCritSec* lock, HRESULT* hr,
                                         LPCWSTR name)
    : CBaseOutputPin("transform output", filter, lock, hr, name), transform_(filter) {
  // The decoded types come from this side; the receiver usually offers none.
  SetTryMyTypesFirst(true);
}

CTransformOutputPin::~CTransformOutputPin() = default;

HRESULT CTransformOutputPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMediaSeeking)
    return seeking_.Query(lock_, "transform seeking", transform_->InputPin(), iid, object);
  return CBaseOutputPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT CTransformOutputPin::CheckConnect(IPin* pin) {
  if (!transform_->InputPin()->IsConnected()) return VFW_E_NOT_CONNECTED;
  return CBaseOutputPin::CheckConnect(pin);
}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  CTransformInputPin* input = transform_->InputPin();
  if (!input->IsConnected()) return VFW_E_NOT_CONNECTED;
  const HRESULT hr = transform_->CheckTransform(&input->CurrentMediaType(), mt);
  return hr == S_OK ? S_OK : FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CTransformOutputPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (mt == nullptr) return E_POINTER;
  if (!transform_->InputPin()->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  return transform_->GetMediaType(position, mt);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* mt) {
  const HRESULT hr = CBaseOutputPin::SetMediaType(mt);
  return FAILED(hr) ? hr : transform_->SetMediaType(PINDIR_OUTPUT, mt);
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = CBaseOutputPin::CompleteConnect(receivePin);
  return FAILED(hr) ? hr : transform_->CompleteConnect(PINDIR_OUTPUT, receivePin);
}

HRESULT CTransformOutputPin::BreakConnect() {
  transform_->BreakConnect(PINDIR_OUTPUT);
  return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                              ALLOCATOR_PROPERTIES* request) {
  return transform_->DecideBufferSize(allocator, request);
}

HRESULT CTransformOutputPin::ChangeMediaType(const CMediaType& mt) {
  IPin* downstream = GetConnected();
  if (downstream == nullptr) return VFW_E_NOT_CONNECTED;
  if (downstream->QueryAccept(&mt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  return SetMediaType(&mt);
}

HRESULT CTransformOutputPin::Notify(IBaseFilter*, Quality q) {
  CTransformInputPin* input = transform_->InputPin();
  return PassQualityUpstream(transform_, input->QualitySink(), input, q);
}

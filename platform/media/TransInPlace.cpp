#include "platform/media/TransInPlace.h"

// ---- filter -------------------------------------------------------------------

CTransInPlaceFilter::CTransInPlaceFilter(const char* objectName, REFCLSID clsid, LPCWSTR inputName,
                                         LPCWSTR outputName)
    : CBaseFilter(objectName, &lock_, clsid) {
  HRESULT hr = S_OK;
  input_ = std::make_unique<CTransInPlaceInputPin>(this, &lock_, &hr, inputName);
  output_ = std::make_unique<CTransInPlaceOutputPin>(this, &lock_, &hr, outputName);
}

CTransInPlaceFilter::~CTransInPlaceFilter() = default;

CBasePin* CTransInPlaceFilter::GetPin(int n) {
  if (n == 0) return input_.get();
  if (n == 1) return output_.get();
  return nullptr;
}

// ---- input pin ----------------------------------------------------------------

CTransInPlaceInputPin::CTransInPlaceInputPin(CTransInPlaceFilter* filter, CCritSec* lock,
                                             HRESULT* hr, LPCWSTR name)
    : CBaseInputPin("trans-in-place input", filter, lock, hr, name), transform_(filter) {}

HRESULT CTransInPlaceInputPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  HRESULT hr = transform_->CheckInputType(mt);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
  // A type other than the output's must suit the downstream pin as well: the
  // output is reconnected with it.
  CTransInPlaceOutputPin* output = transform_->OutputPin();
  IPin* downstream = output->GetConnected();
  if (downstream != nullptr && *mt != output->CurrentMediaType() &&
      downstream->QueryAccept(mt) != S_OK) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  return S_OK;
}

HRESULT CTransInPlaceInputPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (mt == nullptr) return E_POINTER;
  CTransInPlaceOutputPin* output = transform_->OutputPin();
  if (position > 0 || !output->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  *mt = output->CurrentMediaType();
  return S_OK;
}

HRESULT CTransInPlaceInputPin::CompleteConnect(IPin* receivePin) {
  HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
  if (FAILED(hr)) return hr;
  CTransInPlaceOutputPin* output = transform_->OutputPin();
  if (output->IsConnected() && output->CurrentMediaType() != mt_) {
    return transform_->ReconnectPin(output, &mt_);
  }
  return S_OK;
}

HRESULT CTransInPlaceInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
  if (props == nullptr) return E_POINTER;
  IMemInputPin* downstream = transform_->OutputPin()->InputPin();
  if (downstream == nullptr) return E_NOTIMPL;
  return downstream->GetAllocatorRequirements(props);
}

HRESULT CTransInPlaceInputPin::Receive(IMediaSample* sample) {
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  hr = transform_->Transform(sample);
  if (FAILED(hr)) return hr;
  if (hr == S_FALSE) return S_OK;
  CTransInPlaceOutputPin* output = transform_->OutputPin();
  if (!output->IsConnected()) return S_OK;  // nobody downstream: the sample ends here
  return output->Deliver(sample);
}

HRESULT CTransInPlaceInputPin::EndOfStream() {
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  CTransInPlaceOutputPin* output = transform_->OutputPin();
  return output->IsConnected() ? output->DeliverEndOfStream() : S_OK;
}

HRESULT CTransInPlaceInputPin::BeginFlush() {
  CBaseInputPin::BeginFlush();
  CTransInPlaceOutputPin* output = transform_->OutputPin();
  return output->IsConnected() ? output->DeliverBeginFlush() : S_OK;
}

HRESULT CTransInPlaceInputPin::EndFlush() {
  CTransInPlaceOutputPin* output = transform_->OutputPin();
  if (output->IsConnected()) output->DeliverEndFlush();
  return CBaseInputPin::EndFlush();
}

HRESULT CTransInPlaceInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  CBaseInputPin::NewSegment(start, stop, rate);
  CTransInPlaceOutputPin* output = transform_->OutputPin();
  return output->IsConnected() ? output->DeliverNewSegment(start, stop, rate) : S_OK;
}

// ---- output pin ---------------------------------------------------------------

CTransInPlaceOutputPin::CTransInPlaceOutputPin(CTransInPlaceFilter* filter, CCritSec* lock,
                                               HRESULT* hr, LPCWSTR name)
    : CBaseOutputPin("trans-in-place output", filter, lock, hr, name), transform_(filter) {
  // The input's type is the only one that fits; try it before the receiver's.
  SetTryMyTypesFirst(true);
}

CTransInPlaceOutputPin::~CTransInPlaceOutputPin() = default;

HRESULT CTransInPlaceOutputPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMediaSeeking)
    return seeking_.Query(lock_, "trans-in-place seeking", transform_->InputPin(), iid, object);
  return CBaseOutputPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT CTransInPlaceOutputPin::CheckConnect(IPin* pin) {
  // Without an input connection there is neither a type nor a buffer to pass on.
  if (!transform_->InputPin()->IsConnected()) return VFW_E_NOT_CONNECTED;
  return CBaseOutputPin::CheckConnect(pin);
}

HRESULT CTransInPlaceOutputPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  CTransInPlaceInputPin* input = transform_->InputPin();
  if (!input->IsConnected()) return VFW_E_NOT_CONNECTED;
  if (*mt != input->CurrentMediaType()) return VFW_E_TYPE_NOT_ACCEPTED;
  return transform_->CheckInputType(mt) == S_OK ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CTransInPlaceOutputPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (mt == nullptr) return E_POINTER;
  CTransInPlaceInputPin* input = transform_->InputPin();
  if (position > 0 || !input->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  *mt = input->CurrentMediaType();
  return S_OK;
}

HRESULT CTransInPlaceOutputPin::BreakConnect() {
  // The allocator belongs to the input connection: let go without decommitting.
  allocator_ = nullptr;
  inputPin_ = nullptr;
  return S_OK;
}

HRESULT CTransInPlaceOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) {
  if (pin == nullptr || allocator == nullptr) return E_POINTER;
  *allocator = nullptr;
  CTransInPlaceInputPin* input = transform_->InputPin();
  ComPtr<IMemAllocator> shared;
  HRESULT hr = input->GetAllocator(&shared);
  if (FAILED(hr)) return hr;
  if (!shared) return E_OUTOFMEMORY;
  hr = pin->NotifyAllocator(shared.Get(), input->IsReadOnly() ? TRUE : FALSE);
  if (FAILED(hr)) return hr;
  *allocator = shared.Detach();
  return S_OK;
}

HRESULT CTransInPlaceOutputPin::DecideBufferSize(IMemAllocator*, ALLOCATOR_PROPERTIES*) {
  return S_OK;  // the upstream pin sized the shared allocator
}

HRESULT CTransInPlaceOutputPin::Active() {
  // The input may have been reconnected since: a new allocator then carries
  // the samples, and the downstream pin must know it.
  CTransInPlaceInputPin* input = transform_->InputPin();
  IMemAllocator* current = input->Allocator();
  if (current == nullptr || current == allocator_.Get() || !inputPin_) return S_OK;
  const HRESULT hr = inputPin_->NotifyAllocator(current, input->IsReadOnly() ? TRUE : FALSE);
  if (FAILED(hr)) return hr;
  allocator_ = current;
  return S_OK;
}

HRESULT CTransInPlaceOutputPin::Inactive() {
  return S_OK;  // the input's upstream pin commits and decommits the buffers
}

HRESULT CTransInPlaceOutputPin::Notify(IBaseFilter*, Quality q) {
  CTransInPlaceInputPin* input = transform_->InputPin();
  return PassQualityUpstream(transform_, input->QualitySink(), input, q);
}

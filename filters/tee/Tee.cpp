#include "filters/tee/Tee.h"

#include <string>

// ---- filter -------------------------------------------------------------------

CTee::CTee() : CBaseFilter("Tallowmark tee", &lock_, CLSID_TallowmarkTee) {
  HRESULT hr = S_OK;
  input_ = std::make_unique<CTeeInputPin>(this, &lock_, &hr);
  AddOutputPin();
  firstOutput_ = outputs_.front().get();
}

CTee::~CTee() = default;

CUnknown* CTee::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  if (hr) *hr = S_OK;
  return new CTee;
}

int CTee::GetPinCount() {
  std::lock_guard lock(outputsMutex_);
  return static_cast<int>(outputs_.size()) + 1;
}

CBasePin* CTee::GetPin(int n) {
  if (n == 0) return input_.get();
  std::lock_guard lock(outputsMutex_);
  if (n < 1 || n > static_cast<int>(outputs_.size())) return nullptr;
  return outputs_[static_cast<std::size_t>(n - 1)].get();
}

int CTee::OutputCount() {
  std::lock_guard lock(outputsMutex_);
  return static_cast<int>(outputs_.size());
}

CTeeOutputPin* CTee::OutputPin(int index) {
  std::lock_guard lock(outputsMutex_);
  if (index < 0 || index >= static_cast<int>(outputs_.size())) return nullptr;
  return outputs_[static_cast<std::size_t>(index)].get();
}

void CTee::AddOutputPin() {
  const std::string name = "Output" + std::to_string(++pinNumber_);
  const std::u16string wide(name.begin(), name.end());
  HRESULT hr = S_OK;
  auto pin = std::make_unique<CTeeOutputPin>(this, &lock_, &hr, wide.c_str());
  {
    std::lock_guard lock(outputsMutex_);
    outputs_.push_back(std::move(pin));
  }
  IncrementPinVersion();
}

bool CTee::HasFreeOutput() {
  std::lock_guard lock(outputsMutex_);
  for (const auto& pin : outputs_) {
    if (!pin->IsConnected()) return true;
  }
  return false;
}

std::vector<CTeeOutputPin*> CTee::Outputs() {
  std::lock_guard lock(outputsMutex_);
  std::vector<CTeeOutputPin*> pins;
  pins.reserve(outputs_.size());
  for (const auto& pin : outputs_)
    pins.push_back(pin.get());
  return pins;
}

// ---- input pin ----------------------------------------------------------------

CTeeInputPin::CTeeInputPin(CTee* tee, CCritSec* lock, HRESULT* hr)
    : CBaseInputPin("tee input", tee, lock, hr, u"Input"), tee_(tee) {}

HRESULT CTeeInputPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  // A downstream pin asked below may ask back (through another tee in a loop).
  if (inCheck_) return S_OK;
  inCheck_ = true;
  HRESULT hr = S_OK;
  for (CTeeOutputPin* out : tee_->Outputs()) {
    IPin* downstream = out->GetConnected();
    if (downstream != nullptr && downstream->QueryAccept(mt) != S_OK) {
      hr = VFW_E_TYPE_NOT_ACCEPTED;
      break;
    }
  }
  inCheck_ = false;
  return hr;
}

HRESULT CTeeInputPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (mt == nullptr) return E_POINTER;
  int index = 0;
  for (CTeeOutputPin* out : tee_->Outputs()) {
    if (!out->IsConnected()) continue;
    if (index++ == position) {
      *mt = out->CurrentMediaType();
      return S_OK;
    }
  }
  return VFW_S_NO_MORE_ITEMS;
}

HRESULT CTeeInputPin::CompleteConnect(IPin* receivePin) {
  HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
  if (FAILED(hr)) return hr;
  for (CTeeOutputPin* out : tee_->Outputs()) {
    if (out->IsConnected() && out->CurrentMediaType() != mt_) {
      hr = tee_->ReconnectPin(out, &mt_);
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

// Every output gets the sample. An output whose downstream has failed (a dump
// stopped on a full disk, say) does not starve the others: the tee fails only
// when no output took the sample.
HRESULT CTeeInputPin::Receive(IMediaSample* sample) {
  CAutoLock lock(lock_);
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  HRESULT failure = S_OK;
  bool delivered = false;
  bool anyQueue = false;
  for (CTeeOutputPin* out : tee_->Outputs()) {
    std::shared_ptr<COutputQueue> queue = out->Queue();
    if (!queue) continue;
    anyQueue = true;
    sample->AddRef();  // the queue takes this reference
    const HRESULT result = queue->Receive(sample);
    if (result == S_OK) {
      delivered = true;
    } else if (failure == S_OK) {
      failure = result;
    }
  }
  return delivered || !anyQueue ? S_OK : failure;
}

HRESULT CTeeInputPin::EndOfStream() {
  for (CTeeOutputPin* out : tee_->Outputs()) {
    if (std::shared_ptr<COutputQueue> queue = out->Queue()) queue->EOS();
  }
  return S_OK;
}

HRESULT CTeeInputPin::BeginFlush() {
  for (CTeeOutputPin* out : tee_->Outputs()) {
    if (std::shared_ptr<COutputQueue> queue = out->Queue()) queue->BeginFlush();
  }
  return CBaseInputPin::BeginFlush();
}

HRESULT CTeeInputPin::EndFlush() {
  for (CTeeOutputPin* out : tee_->Outputs()) {
    if (std::shared_ptr<COutputQueue> queue = out->Queue()) queue->EndFlush();
  }
  return CBaseInputPin::EndFlush();
}

HRESULT CTeeInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  for (CTeeOutputPin* out : tee_->Outputs()) {
    if (std::shared_ptr<COutputQueue> queue = out->Queue()) queue->NewSegment(start, stop, rate);
  }
  return CBaseInputPin::NewSegment(start, stop, rate);
}

// ---- output pins --------------------------------------------------------------

CTeeOutputPin::CTeeOutputPin(CTee* tee, CCritSec* lock, HRESULT* hr, LPCWSTR name)
    : CBaseOutputPin("tee output", tee, lock, hr, name), tee_(tee) {
  // The input's type first: another type would reconnect the input.
  SetTryMyTypesFirst(true);
}

CTeeOutputPin::~CTeeOutputPin() = default;

HRESULT CTeeOutputPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMediaSeeking) {
    CAutoLock lock(lock_);
    // One output at a time carries seeking upstream.
    if (tee_->seekingPin_ != nullptr && tee_->seekingPin_ != this) return E_NOINTERFACE;
    if (!seeking_) {
      HRESULT hr = S_OK;
      seeking_ = new CPosPassThru("tee seeking", nullptr, &hr, tee_->InputPin());
    }
    tee_->seekingPin_ = this;
    return seeking_->NonDelegatingQueryInterface(iid, object);
  }
  return CBaseOutputPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT CTeeOutputPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  CTeeInputPin* input = tee_->InputPin();
  if (!input->IsConnected()) return VFW_E_NOT_CONNECTED;
  if (inCheck_) return S_OK;
  inCheck_ = true;
  HRESULT hr = S_OK;
  if (input->GetConnected()->QueryAccept(mt) != S_OK) hr = VFW_E_TYPE_NOT_ACCEPTED;
  for (CTeeOutputPin* out : tee_->Outputs()) {
    if (hr != S_OK) break;
    if (out == this) continue;
    IPin* downstream = out->GetConnected();
    if (downstream != nullptr && downstream->QueryAccept(mt) != S_OK) {
      hr = VFW_E_TYPE_NOT_ACCEPTED;
    }
  }
  inCheck_ = false;
  return hr;
}

HRESULT CTeeOutputPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (mt == nullptr) return E_POINTER;
  CTeeInputPin* input = tee_->InputPin();
  if (position > 0 || !input->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  *mt = input->CurrentMediaType();
  return S_OK;
}

HRESULT CTeeOutputPin::CompleteConnect(IPin* receivePin) {
  CAutoLock lock(lock_);
  CTeeInputPin* input = tee_->InputPin();
  if (input->CurrentMediaType() != mt_) {
    const CMediaType previous(input->CurrentMediaType());
    HRESULT hr = tee_->ReconnectPin(input, &mt_);
    if (FAILED(hr)) {
      if (!input->IsConnected()) tee_->ReconnectPin(input, &previous);
      return hr;
    }
  }
  HRESULT hr = CBaseOutputPin::CompleteConnect(receivePin);
  if (FAILED(hr)) return hr;
  if (!tee_->HasFreeOutput() && tee_->OutputCount() < kMaxTeeOutputs) {
    tee_->AddOutputPin();
  }
  return S_OK;
}

HRESULT CTeeOutputPin::BreakConnect() {
  // The allocator belongs to the input connection: let go without decommitting.
  allocator_ = nullptr;
  inputPin_ = nullptr;
  if (tee_->seekingPin_ == this) {
    tee_->seekingPin_ = nullptr;
    seeking_ = nullptr;
  }
  return S_OK;
}

HRESULT CTeeOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) {
  if (pin == nullptr || allocator == nullptr) return E_POINTER;
  *allocator = nullptr;
  ComPtr<IMemAllocator> shared;
  HRESULT hr = tee_->InputPin()->GetAllocator(&shared);
  if (FAILED(hr)) return hr;
  if (!shared) return E_OUTOFMEMORY;
  hr = pin->NotifyAllocator(shared.Get(), TRUE);
  if (FAILED(hr)) return hr;
  *allocator = shared.Detach();
  return S_OK;
}

HRESULT CTeeOutputPin::DecideBufferSize(IMemAllocator*, ALLOCATOR_PROPERTIES*) {
  return S_OK;  // the upstream pin sized the shared allocator
}

HRESULT CTeeOutputPin::Active() {
  IPin* downstream = GetConnected();
  if (downstream == nullptr) return S_OK;
  HRESULT hr = S_OK;
  const bool queued = !tee_->DirectDelivery();
  auto queue = std::make_shared<COutputQueue>(downstream, &hr, queued, queued, 1, false, 10, 0);
  if (FAILED(hr)) return hr;
  std::lock_guard guard(queueMutex_);
  queue_ = std::move(queue);
  return S_OK;
}

HRESULT CTeeOutputPin::Inactive() {
  std::shared_ptr<COutputQueue> queue;
  {
    std::lock_guard guard(queueMutex_);
    queue.swap(queue_);
  }
  return S_OK;  // the queue ends with its last user
}

std::shared_ptr<COutputQueue> CTeeOutputPin::Queue() {
  std::lock_guard guard(queueMutex_);
  return queue_;
}

// Only the first output's notices go upstream (to the quality sink set on the
// tee, else to the upstream pin); the others' are accepted and dropped.
// No filter lock here: notices come from downstream streaming threads, which a
// stopping filter waits for while holding that lock.
HRESULT CTeeOutputPin::Notify(IBaseFilter*, Quality q) {
  if (tee_->firstOutput_ != this) return S_OK;
  IBaseFilter* self = tee_;
  if (IQualityControl* sink = tee_->InputPin()->QualitySink()) return sink->Notify(self, q);
  IPin* upstream = tee_->InputPin()->GetConnected();
  if (upstream == nullptr) return VFW_E_NOT_FOUND;
  ComPtr<IQualityControl> control;
  if (FAILED(upstream->QueryInterface(IID_PPV_ARGS(&control)))) return VFW_E_NOT_FOUND;
  return control->Notify(self, q);
}

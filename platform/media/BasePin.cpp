#include "platform/media/BasePin.h"

#include <memory>

namespace {

// Failures that only mean "not this type" and so do not stand for the whole negotiation.
bool IsPlainRefusal(HRESULT hr) {
  return hr == E_FAIL || hr == E_INVALIDARG || hr == VFW_E_TYPE_NOT_ACCEPTED || hr == S_FALSE;
}

}  // namespace

CBasePin::CBasePin(const char* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT*,
                   LPCWSTR name, PIN_DIRECTION direction)
    : CUnknown(objectName),
      filter_(filter),
      lock_(lock),
      name_(name ? name : u""),
      direction_(direction) {}

CBasePin::~CBasePin() = default;

HRESULT CBasePin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IPin) return GetInterface(static_cast<IPin*>(this), object);
  if (iid == IID_IQualityControl) return GetInterface(static_cast<IQualityControl*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

ULONG CBasePin::AddRef() {
  return filter_->AddRef();
}

ULONG CBasePin::Release() {
  return filter_->Release();
}

HRESULT CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) {
  if (receivePin == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped() && !canReconnectWhenActive_) return VFW_E_NOT_STOPPED;
  std::unique_ptr<CMediaType> partial;
  if (mt != nullptr) partial = std::make_unique<CMediaType>(*mt);
  const HRESULT hr = AgreeMediaType(receivePin, partial.get());
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  return S_OK;
}

HRESULT CBasePin::AgreeMediaType(IPin* receivePin, const CMediaType* mt) {
  if (mt != nullptr && !mt->IsPartiallySpecified()) return AttemptConnection(receivePin, mt);
  HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
  for (int round = 0; round < 2; ++round) {
    const bool mine = (round == 0) == tryMyTypesFirst_;
    ComPtr<IEnumMediaTypes> types;
    HRESULT hr = mine ? EnumMediaTypes(&types) : receivePin->EnumMediaTypes(&types);
    if (FAILED(hr) || !types) continue;
    hr = TryMediaTypes(receivePin, mt, types.Get());
    if (SUCCEEDED(hr)) return S_OK;
    if (!IsPlainRefusal(hr) && hr != VFW_E_NO_ACCEPTABLE_TYPES) failure = hr;
  }
  return failure;
}

HRESULT CBasePin::TryMediaTypes(IPin* receivePin, const CMediaType* mt, IEnumMediaTypes* types) {
  types->Reset();
  HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
  for (;;) {
    AM_MEDIA_TYPE* next = nullptr;
    ULONG fetched = 0;
    if (types->Next(1, &next, &fetched) != S_OK || fetched != 1) break;
    const CMediaType candidate(*next);
    DeleteMediaType(next);
    if (mt != nullptr && !candidate.MatchesPartial(mt)) continue;
    const HRESULT hr = AttemptConnection(receivePin, &candidate);
    if (SUCCEEDED(hr)) return S_OK;
    if (!IsPlainRefusal(hr)) failure = hr;
  }
  return failure;
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType* mt) {
  HRESULT hr = CheckConnect(receivePin);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  hr = CheckMediaType(mt);
  if (hr == S_OK) {
    connected_ = receivePin;
    hr = SetMediaType(mt);
    if (SUCCEEDED(hr)) {
      hr = receivePin->ReceiveConnection(this, mt);
      if (SUCCEEDED(hr)) {
        hr = CompleteConnect(receivePin);
        if (SUCCEEDED(hr)) return S_OK;
        receivePin->Disconnect();
      }
    }
  } else if (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG) {
    hr = VFW_E_TYPE_NOT_ACCEPTED;
  }
  connected_ = nullptr;
  mt_.InitMediaType();
  BreakConnect();
  return hr;
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) {
  if (connector == nullptr || mt == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  if (connected_) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped() && !canReconnectWhenActive_) return VFW_E_NOT_STOPPED;
  HRESULT hr = CheckConnect(connector);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  const CMediaType type(*mt);
  hr = CheckMediaType(&type);
  if (hr != S_OK) {
    BreakConnect();
    if (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG) hr = VFW_E_TYPE_NOT_ACCEPTED;
    return hr;
  }
  connected_ = connector;
  hr = SetMediaType(&type);
  if (SUCCEEDED(hr)) {
    hr = CompleteConnect(connector);
    if (SUCCEEDED(hr)) return S_OK;
  }
  connected_ = nullptr;
  mt_.InitMediaType();
  BreakConnect();
  return hr;
}

HRESULT CBasePin::Disconnect() {
  CAutoLock lock(lock_);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  return DisconnectInternal();
}

HRESULT CBasePin::DisconnectInternal() {
  if (!connected_) return S_FALSE;
  const HRESULT hr = BreakConnect();
  if (FAILED(hr)) return hr;
  connected_ = nullptr;
  mt_.InitMediaType();
  return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  *pin = connected_.Get();
  if (*pin == nullptr) return VFW_E_NOT_CONNECTED;
  (*pin)->AddRef();
  return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
  if (mt == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  if (!connected_) {
    *mt = AM_MEDIA_TYPE();
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(mt, &mt_);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  info->pFilter = filter_;
  filter_->AddRef();
  info->dir = direction_;
  CopyName(info->achName, MAX_PIN_NAME, name_);
  return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* id) {
  if (id == nullptr) return E_POINTER;
  *id = TaskCopyName(name_);
  return *id ? S_OK : E_OUTOFMEMORY;
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* mt) {
  if (mt == nullptr) return E_POINTER;
  const CMediaType type(*mt);
  const HRESULT hr = CheckMediaType(&type);
  return FAILED(hr) ? S_FALSE : hr;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) return E_POINTER;
  *types = new CEnumMediaTypes(this);
  (*types)->AddRef();
  return S_OK;
}

HRESULT CBasePin::QueryInternalConnections(IPin**, ULONG*) {
  return E_NOTIMPL;
}

HRESULT CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  CAutoLock lock(lock_);
  segmentStart_ = start;
  segmentStop_ = stop;
  segmentRate_ = rate;
  return S_OK;
}

HRESULT CBasePin::Notify(IBaseFilter*, Quality) {
  return E_NOTIMPL;
}

HRESULT CBasePin::SetSink(IQualityControl* sink) {
  CAutoLock lock(lock_);
  qualitySink_ = sink;
  return S_OK;
}

HRESULT CBasePin::GetMediaType(int position, CMediaType*) {
  return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

HRESULT CBasePin::SetMediaType(const CMediaType* mt) {
  mt_ = *mt;
  return S_OK;
}

HRESULT CBasePin::CheckConnect(IPin* pin) {
  PIN_DIRECTION other;
  const HRESULT hr = pin->QueryDirection(&other);
  if (FAILED(hr)) return hr;
  return other == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() {
  return S_OK;
}

HRESULT CBasePin::CompleteConnect(IPin*) {
  return S_OK;
}

HRESULT CBasePin::Active() {
  return S_OK;
}

HRESULT CBasePin::Inactive() {
  return S_OK;
}

HRESULT CBasePin::Run(REFERENCE_TIME) {
  return S_OK;
}

// ---- enumerators --------------------------------------------------------------

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, int position)
    : CUnknown("media type enumerator"),
      hold_(static_cast<IPin*>(pin)),
      pin_(pin),
      position_(position),
      version_(pin->GetMediaTypeVersion()) {}

HRESULT CEnumMediaTypes::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IEnumMediaTypes) return GetInterface(static_cast<IEnumMediaTypes*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (types == nullptr) return E_POINTER;
  if (fetched == nullptr && count > 1) return E_INVALIDARG;
  if (version_ != pin_->GetMediaTypeVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
  ULONG n = 0;
  while (n < count) {
    CMediaType mt;
    if (pin_->GetMediaType(position_, &mt) != S_OK) break;
    types[n] = CreateMediaType(&mt);
    if (types[n] == nullptr) break;
    ++position_;
    ++n;
  }
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

HRESULT CEnumMediaTypes::Skip(ULONG count) {
  if (version_ != pin_->GetMediaTypeVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
  for (ULONG i = 0; i < count; ++i) {
    CMediaType mt;
    if (pin_->GetMediaType(position_, &mt) != S_OK) return S_FALSE;
    ++position_;
  }
  return S_OK;
}

HRESULT CEnumMediaTypes::Reset() {
  position_ = 0;
  version_ = pin_->GetMediaTypeVersion();
  return S_OK;
}

HRESULT CEnumMediaTypes::Clone(IEnumMediaTypes** clone) {
  if (clone == nullptr) return E_POINTER;
  *clone = new CEnumMediaTypes(pin_, position_);
  (*clone)->AddRef();
  return S_OK;
}

CEnumPins::CEnumPins(CBaseFilter* filter, int position)
    : CUnknown("pin enumerator"),
      hold_(static_cast<IBaseFilter*>(filter)),
      filter_(filter),
      position_(position),
      version_(filter->GetPinVersion()) {}

HRESULT CEnumPins::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IEnumPins) return GetInterface(static_cast<IEnumPins*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr) return E_POINTER;
  if (fetched == nullptr && count > 1) return E_INVALIDARG;
  if (version_ != filter_->GetPinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
  ULONG n = 0;
  {
    CAutoLock lock(filter_->FilterLock());
    while (n < count && position_ < filter_->GetPinCount()) {
      CBasePin* pin = filter_->GetPin(position_++);
      if (pin == nullptr) continue;
      pins[n] = pin;
      pin->AddRef();
      ++n;
    }
  }
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

HRESULT CEnumPins::Skip(ULONG count) {
  if (version_ != filter_->GetPinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
  CAutoLock lock(filter_->FilterLock());
  const int left = filter_->GetPinCount() - position_;
  if (static_cast<LONG>(count) > left) {
    position_ = filter_->GetPinCount();
    return S_FALSE;
  }
  position_ += static_cast<int>(count);
  return S_OK;
}

HRESULT CEnumPins::Reset() {
  position_ = 0;
  version_ = filter_->GetPinVersion();
  return S_OK;
}

HRESULT CEnumPins::Clone(IEnumPins** clone) {
  if (clone == nullptr) return E_POINTER;
  auto* copy = new CEnumPins(filter_, position_);
  copy->version_ = version_;
  *clone = copy;
  copy->AddRef();
  return S_OK;
}

#include "platform/media/Seeking.h"

#include "platform/media/MediaGuids.h"

namespace {

// The new value for one position of SetPositions; false when it does not change.
bool NewPosition(LONGLONG* given, DWORD flags, REFERENCE_TIME current, REFERENCE_TIME* result) {
  if (given == nullptr) return false;
  switch (flags & AM_SEEKING_PositioningBitsMask) {
    case AM_SEEKING_AbsolutePositioning:
      *result = *given;
      return true;
    case AM_SEEKING_RelativePositioning:
    case AM_SEEKING_IncrementalPositioning:
      *result = current + *given;
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---- CPosPassThru -----------------------------------------------------------

CPosPassThru::CPosPassThru(const char* objectName, IUnknown*, HRESULT*, IPin* pin)
    : CUnknown(objectName), pin_(pin) {}

HRESULT CPosPassThru::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CPosPassThru::GetPeerSeeking(IMediaSeeking** seeking) {
  if (seeking == nullptr) return E_POINTER;
  *seeking = nullptr;
  if (pin_ == nullptr) return E_NOTIMPL;
  ComPtr<IPin> peer;
  if (FAILED(pin_->ConnectedTo(&peer))) return E_NOTIMPL;
  if (SUCCEEDED(peer->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(seeking)))) {
    return S_OK;
  }
  // A source may seek as a whole filter rather than per pin.
  PIN_INFO info;
  if (FAILED(peer->QueryPinInfo(&info)) || info.pFilter == nullptr) return E_NOTIMPL;
  const HRESULT hr =
      info.pFilter->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(seeking));
  info.pFilter->Release();
  return SUCCEEDED(hr) ? S_OK : E_NOTIMPL;
}

#define CORVANE_PASS(call)                  \
  ComPtr<IMediaSeeking> peer;               \
  const HRESULT hr = GetPeerSeeking(&peer); \
  if (FAILED(hr)) return hr;                \
  return peer->call

HRESULT CPosPassThru::GetCapabilities(DWORD* c) {
  CORVANE_PASS(GetCapabilities(c));
}
HRESULT CPosPassThru::CheckCapabilities(DWORD* c) {
  CORVANE_PASS(CheckCapabilities(c));
}
HRESULT CPosPassThru::IsFormatSupported(const GUID* f) {
  CORVANE_PASS(IsFormatSupported(f));
}
HRESULT CPosPassThru::QueryPreferredFormat(GUID* f) {
  CORVANE_PASS(QueryPreferredFormat(f));
}
HRESULT CPosPassThru::GetTimeFormat(GUID* f) {
  CORVANE_PASS(GetTimeFormat(f));
}
HRESULT CPosPassThru::IsUsingTimeFormat(const GUID* f) {
  CORVANE_PASS(IsUsingTimeFormat(f));
}
HRESULT CPosPassThru::SetTimeFormat(const GUID* f) {
  CORVANE_PASS(SetTimeFormat(f));
}
HRESULT CPosPassThru::GetDuration(LONGLONG* d) {
  CORVANE_PASS(GetDuration(d));
}
HRESULT CPosPassThru::GetStopPosition(LONGLONG* s) {
  CORVANE_PASS(GetStopPosition(s));
}
HRESULT CPosPassThru::GetCurrentPosition(LONGLONG* c) {
  CORVANE_PASS(GetCurrentPosition(c));
}
HRESULT CPosPassThru::ConvertTimeFormat(LONGLONG* t, const GUID* tf, LONGLONG s, const GUID* sf) {
  CORVANE_PASS(ConvertTimeFormat(t, tf, s, sf));
}
HRESULT CPosPassThru::SetPositions(LONGLONG* c, DWORD cf, LONGLONG* s, DWORD sf) {
  CORVANE_PASS(SetPositions(c, cf, s, sf));
}
HRESULT CPosPassThru::GetPositions(LONGLONG* c, LONGLONG* s) {
  CORVANE_PASS(GetPositions(c, s));
}
HRESULT CPosPassThru::GetAvailable(LONGLONG* e, LONGLONG* l) {
  CORVANE_PASS(GetAvailable(e, l));
}
HRESULT CPosPassThru::SetRate(double r) {
  CORVANE_PASS(SetRate(r));
}
HRESULT CPosPassThru::GetRate(double* r) {
  CORVANE_PASS(GetRate(r));
}
HRESULT CPosPassThru::GetPreroll(LONGLONG* p) {
  CORVANE_PASS(GetPreroll(p));
}

#undef CORVANE_PASS

// ---- CSourceSeeking -----------------------------------------------------------

CSourceSeeking::CSourceSeeking(CCritSec* seekingLock) : seekingLock_(seekingLock) {}

HRESULT CSourceSeeking::GetCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  *capabilities = seekingCaps_;
  return S_OK;
}

HRESULT CSourceSeeking::CheckCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  const DWORD asked = *capabilities;
  *capabilities &= seekingCaps_;
  if (*capabilities == asked) return S_OK;
  return *capabilities ? S_FALSE : E_FAIL;
}

HRESULT CSourceSeeking::IsFormatSupported(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT CSourceSeeking::QueryPreferredFormat(GUID* format) {
  if (format == nullptr) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

HRESULT CSourceSeeking::GetTimeFormat(GUID* format) {
  return QueryPreferredFormat(format);
}

HRESULT CSourceSeeking::IsUsingTimeFormat(const GUID* format) {
  return IsFormatSupported(format);
}

HRESULT CSourceSeeking::SetTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT CSourceSeeking::GetDuration(LONGLONG* duration) {
  if (duration == nullptr) return E_POINTER;
  CAutoLock lock(seekingLock_);
  *duration = rtDuration_;
  return S_OK;
}

HRESULT CSourceSeeking::GetStopPosition(LONGLONG* stop) {
  if (stop == nullptr) return E_POINTER;
  CAutoLock lock(seekingLock_);
  *stop = rtStop_;
  return S_OK;
}

HRESULT CSourceSeeking::GetCurrentPosition(LONGLONG* current) {
  if (current == nullptr) return E_POINTER;
  CAutoLock lock(seekingLock_);
  *current = rtStart_;
  return S_OK;
}

HRESULT CSourceSeeking::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                          LONGLONG source, const GUID* sourceFormat) {
  if (target == nullptr) return E_POINTER;
  const bool targetMedia = targetFormat == nullptr || *targetFormat == TIME_FORMAT_MEDIA_TIME;
  const bool sourceMedia = sourceFormat == nullptr || *sourceFormat == TIME_FORMAT_MEDIA_TIME;
  if (!targetMedia || !sourceMedia) return E_INVALIDARG;
  *target = source;
  return S_OK;
}

HRESULT CSourceSeeking::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                     DWORD stopFlags) {
  CAutoLock lock(seekingLock_);
  REFERENCE_TIME newStart = rtStart_, newStop = rtStop_;
  const bool startChanged = NewPosition(current, currentFlags, rtStart_, &newStart);
  const bool stopChanged = NewPosition(stop, stopFlags, rtStop_, &newStop);
  if (startChanged && newStart < 0) return E_INVALIDARG;
  if (stopChanged) rtStop_ = newStop;
  if (startChanged) rtStart_ = newStart;
  if (current && (currentFlags & AM_SEEKING_ReturnTime)) *current = rtStart_;
  if (stop && (stopFlags & AM_SEEKING_ReturnTime)) *stop = rtStop_;
  if (startChanged) return ChangeStart();
  if (stopChanged) return ChangeStop();
  return S_OK;
}

HRESULT CSourceSeeking::GetPositions(LONGLONG* current, LONGLONG* stop) {
  CAutoLock lock(seekingLock_);
  if (current) *current = rtStart_;
  if (stop) *stop = rtStop_;
  return S_OK;
}

HRESULT CSourceSeeking::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  CAutoLock lock(seekingLock_);
  if (earliest) *earliest = 0;
  if (latest) *latest = rtDuration_;
  return S_OK;
}

HRESULT CSourceSeeking::SetRate(double rate) {
  CAutoLock lock(seekingLock_);
  rateSeeking_ = rate;
  return ChangeRate();
}

HRESULT CSourceSeeking::GetRate(double* rate) {
  if (rate == nullptr) return E_POINTER;
  CAutoLock lock(seekingLock_);
  *rate = rateSeeking_;
  return S_OK;
}

HRESULT CSourceSeeking::GetPreroll(LONGLONG* preroll) {
  if (preroll == nullptr) return E_POINTER;
  *preroll = 0;
  return S_OK;
}

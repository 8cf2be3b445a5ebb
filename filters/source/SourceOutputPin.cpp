#include "filters/source/SourceOutputPin.h"

#include <new>

#include "filters/source/FormatBlocks.h"
#include "filters/source/IMPEG2Source.h"
#include "filters/source/Mpeg2Source.h"
#include "platform/media/MediaGuids.h"

namespace filters {
namespace {

long BufferCount(PinType stream) {
  switch (stream) {
    case PinType::kVideo:
      return kVideoBuffers;
    case PinType::kAudio:
      return kAudioBuffers;
    case PinType::kText:
      return kTextBuffers;
  }
  return kTextBuffers;
}

}  // namespace

CPin::CPin(CMPEG2Source* filter, CCritSec* lock, HRESULT* hr, PinType stream, LPCWSTR name)
    : CBaseOutputPin("MPEG-2 Source pin", filter, lock, hr, name),
      owner_(filter),
      stream_(stream) {}

CPin::~CPin() = default;

HRESULT CPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
  return CBaseOutputPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT CPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  if (mt == nullptr) return E_POINTER;
  mt->InitMediaType();
  switch (stream_) {
    case PinType::kVideo: {
      const auto& block = VideoFormatBlock();
      mt->SetType(&MEDIATYPE_Video);
      mt->SetSubtype(&MEDIASUBTYPE_MPEG2_VIDEO);
      mt->SetFormatType(&FORMAT_MPEG2Video);
      if (!mt->SetFormat(block.data(), static_cast<ULONG>(block.size()))) return E_OUTOFMEMORY;
      mt->SetSampleSize(static_cast<ULONG>(kVideoSampleSize));
      break;
    }
    case PinType::kAudio: {
      const auto& block = AudioFormatBlock();
      mt->SetType(&MEDIATYPE_Audio);
      mt->SetSubtype(&MEDIASUBTYPE_DOLBY_AC3);
      mt->SetFormatType(&FORMAT_WaveFormatEx);
      if (!mt->SetFormat(block.data(), static_cast<ULONG>(block.size()))) return E_OUTOFMEMORY;
      break;
    }
    case PinType::kText:
      mt->SetType(&MEDIATYPE_TextStream);
      mt->SetSubtype(&MEDIASUBTYPE_None);
      mt->SetFormatType(&FORMAT_None);
      mt->bFixedSizeSamples = TRUE;
      mt->SetTemporalCompression(FALSE);
      break;
  }
  return S_OK;
}

HRESULT CPin::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  CMediaType mine;
  const HRESULT hr = GetMediaType(0, &mine);
  if (FAILED(hr)) return hr;
  return mine == *mt ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr) return E_POINTER;
  ALLOCATOR_PROPERTIES want;
  want.cBuffers = BufferCount(stream_);
  want.cbBuffer = static_cast<LONG>(kOutputBufferSize);
  want.cbAlign = (request != nullptr && request->cbAlign > 0) ? request->cbAlign : 1;
  want.cbPrefix = request != nullptr ? request->cbPrefix : 0;
  ALLOCATOR_PROPERTIES got;
  const HRESULT hr = allocator->SetProperties(&want, &got);
  if (FAILED(hr)) return hr;
  // A pack's payload always fits in one buffer of this size.
  return got.cbBuffer < static_cast<LONG>(kOutputBufferSize) || got.cBuffers < 1 ? E_FAIL : S_OK;
}

HRESULT CPin::Active() {
  HRESULT hr = CBaseOutputPin::Active();
  if (FAILED(hr)) return hr;
  if (IsConnected() && !queue_) {
    hr = S_OK;
    auto queue = std::make_unique<COutputQueue>(GetConnected(), &hr);
    if (FAILED(hr)) return hr;
    queue_ = std::move(queue);
  }
  return S_OK;
}

HRESULT CPin::Inactive() {
  // Decommitting first releases a streaming thread waiting for a buffer; the
  // filter has ended it before any pin goes inactive.
  const HRESULT hr = CBaseOutputPin::Inactive();
  queue_.reset();
  return hr;
}

HRESULT CPin::Deliver(IMediaSample* sample) {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (!queue_) return VFW_E_WRONG_STATE;
  sample->AddRef();  // the queue takes this reference over
  return queue_->Receive(sample);
}

HRESULT CPin::DeliverEndOfStream() {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (queue_) queue_->EOS();
  return S_OK;
}

HRESULT CPin::DeliverBeginFlush() {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (queue_) queue_->BeginFlush();
  return S_OK;
}

HRESULT CPin::DeliverEndFlush() {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (queue_) queue_->EndFlush();
  return S_OK;
}

HRESULT CPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (queue_) queue_->NewSegment(start, stop, rate);
  return S_OK;
}

// ---- IMediaSeeking ------------------------------------------------------------

IMediaSeeking* CPin::FilterSeeking() const {
  return static_cast<IMediaSeeking*>(owner_);
}

HRESULT CPin::GetCapabilities(DWORD* c) {
  return FilterSeeking()->GetCapabilities(c);
}
HRESULT CPin::CheckCapabilities(DWORD* c) {
  return FilterSeeking()->CheckCapabilities(c);
}
HRESULT CPin::IsFormatSupported(const GUID* f) {
  return FilterSeeking()->IsFormatSupported(f);
}
HRESULT CPin::QueryPreferredFormat(GUID* f) {
  return FilterSeeking()->QueryPreferredFormat(f);
}
HRESULT CPin::GetTimeFormat(GUID* f) {
  return FilterSeeking()->GetTimeFormat(f);
}
HRESULT CPin::IsUsingTimeFormat(const GUID* f) {
  return FilterSeeking()->IsUsingTimeFormat(f);
}
HRESULT CPin::SetTimeFormat(const GUID* f) {
  return FilterSeeking()->SetTimeFormat(f);
}
HRESULT CPin::GetDuration(LONGLONG* d) {
  return FilterSeeking()->GetDuration(d);
}
HRESULT CPin::GetStopPosition(LONGLONG* s) {
  return FilterSeeking()->GetStopPosition(s);
}
HRESULT CPin::GetCurrentPosition(LONGLONG* c) {
  return FilterSeeking()->GetCurrentPosition(c);
}
HRESULT CPin::ConvertTimeFormat(LONGLONG* t, const GUID* tf, LONGLONG s, const GUID* sf) {
  return FilterSeeking()->ConvertTimeFormat(t, tf, s, sf);
}
HRESULT CPin::GetPositions(LONGLONG* c, LONGLONG* s) {
  return FilterSeeking()->GetPositions(c, s);
}
HRESULT CPin::GetAvailable(LONGLONG* e, LONGLONG* l) {
  return FilterSeeking()->GetAvailable(e, l);
}
HRESULT CPin::GetRate(double* r) {
  return FilterSeeking()->GetRate(r);
}
HRESULT CPin::GetPreroll(LONGLONG* p) {
  return FilterSeeking()->GetPreroll(p);
}

HRESULT CPin::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) {
  if (owner_->IsSeekingPin(this)) {
    return FilterSeeking()->SetPositions(current, currentFlags, stop, stopFlags);
  }
  // The seeking pin carries the change; report the positions it gives.
  LONGLONG start = 0, end = 0;
  FilterSeeking()->GetPositions(&start, &end);
  if (current != nullptr && (currentFlags & AM_SEEKING_ReturnTime)) *current = start;
  if (stop != nullptr && (stopFlags & AM_SEEKING_ReturnTime)) *stop = end;
  return S_OK;
}

HRESULT CPin::SetRate(double rate) {
  // A refused rate is refused on every pin alike.
  if (owner_->IsSeekingPin(this) || !(rate > 0)) return FilterSeeking()->SetRate(rate);
  return S_OK;
}

}  // namespace filters

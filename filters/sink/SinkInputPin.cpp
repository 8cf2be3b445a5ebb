#include "filters/sink/SinkInputPin.h"

#include "filters/sink/Mpeg2Sink.h"
#include "platform/media/MediaGuids.h"

CInputPin0::CInputPin0(CMPEG2Sink* filter, CCritSec* filterLock, HRESULT* hr, filters::PinType type,
                       LPCWSTR name)
    : CRenderedInputPin("MPEG-2 Sink input", filter, filterLock, hr, name),
      owner_(filter),
      type_(type) {}

// The major type alone decides; some upstream filters put the subtype's
// value in the major type, which is accepted as well.
HRESULT CInputPin0::CheckMediaType(const CMediaType* mt) {
  if (mt == nullptr) return E_POINTER;
  bool accepted = false;
  switch (type_) {
    case filters::PinType::kVideo:
      accepted = mt->majortype == MEDIATYPE_Video || mt->majortype == MEDIASUBTYPE_MPEG2_VIDEO;
      break;
    case filters::PinType::kAudio:
      accepted = mt->majortype == MEDIATYPE_Audio || mt->majortype == MEDIASUBTYPE_DOLBY_AC3;
      break;
    case filters::PinType::kText:
      accepted = mt->majortype == MEDIATYPE_TextStream || mt->majortype == MEDIASUBTYPE_None;
      break;
  }
  return accepted ? S_OK : VFW_E_INVALIDMEDIATYPE;
}

HRESULT CInputPin0::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
  if (type_ == filters::PinType::kText) return E_NOTIMPL;
  if (props == nullptr) return E_POINTER;
  props->cBuffers = filters::kInputBuffers;
  props->cbBuffer = filters::kInputBufferSize;
  props->cbAlign = 1;
  props->cbPrefix = 0;
  return S_OK;
}

HRESULT CInputPin0::Receive(IMediaSample* sample) {
  // The framework's check runs before the receive locks: a refused type
  // change inside it ends the stream, which takes the filter lock, and the
  // filter lock must never be taken under the receive locks.
  HRESULT hr = CRenderedInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  ReceiveLocks locks(*owner_);
  // Stop may have run while this call waited for the locks: check again.
  hr = CheckStreaming();
  if (hr != S_OK) return hr;

  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return E_POINTER;
  const LONG length = sample->GetActualDataLength();
  if (length < 0 || length > sample->GetSize() || (length > 0 && data == nullptr)) {
    return E_UNEXPECTED;
  }

  filters::InputSample in;
  in.data = std::span<const std::uint8_t>(data, static_cast<std::size_t>(length));
  REFERENCE_TIME start = 0, stop = 0;
  in.timed = SUCCEEDED(sample->GetTime(&start, &stop));
  if (in.timed) {
    in.start = start;
    in.stop = stop;
  }
  in.discontinuity = sample->IsDiscontinuity() == S_OK;
  in.syncPoint = sample->IsSyncPoint() == S_OK;
  owner_->Core().Receive(type_, in, owner_->ClockNow());
  owner_->AfterReceive();
  return S_OK;
}

HRESULT CInputPin0::EndOfStream() {
  if (!owner_->Core().EndOfStream()) return S_OK;
  return CRenderedInputPin::EndOfStream();
}

HRESULT CInputPin0::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) {
  return S_OK;
}

HRESULT CInputPin0::Active() {
  owner_->Core().ResetEndOfStream();
  return CRenderedInputPin::Active();
}

HRESULT CInputPin0::Inactive() {
  ReceiveLocks locks(*owner_);
  const HRESULT hr = CRenderedInputPin::Inactive();
  owner_->Core().ReleasePin(type_);
  return hr;
}

#include "platform/media/MediaSample.h"

#include <algorithm>
#include <cstring>

#include "platform/media/MemAllocator.h"

CMediaSample::CMediaSample(CBaseAllocator* allocator, BYTE* buffer, LONG length)
    : allocator_(allocator), buffer_(buffer), length_(length), actual_(length) {}

CMediaSample::~CMediaSample() {
  if (mediaType_ != nullptr) DeleteMediaType(mediaType_);
}

HRESULT CMediaSample::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IMediaSample2) return GetInterface(static_cast<IMediaSample2*>(this), object);
  if (iid == IID_IMediaSample) return GetInterface(static_cast<IMediaSample*>(this), object);
  if (iid == IID_IUnknown) return GetInterface(static_cast<IUnknown*>(this), object);
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CMediaSample::AddRef() {
  return ++ref_;
}

ULONG CMediaSample::Release() {
  const ULONG left = --ref_;
  if (left == 0) {
    ResetProperties();
    allocator_->ReleaseBuffer(this);
  }
  return left;
}

void CMediaSample::ResetProperties() {
  flags_ = 0;
  typeSpecificFlags_ = 0;
  streamId_ = AM_STREAM_MEDIA;
  mediaTimeValid_ = false;
  actual_ = length_;
  if (mediaType_ != nullptr) {
    DeleteMediaType(mediaType_);
    mediaType_ = nullptr;
  }
}

HRESULT CMediaSample::GetPointer(BYTE** buffer) {
  if (buffer == nullptr) return E_POINTER;
  *buffer = buffer_;
  return S_OK;
}

LONG CMediaSample::GetSize() {
  return length_;
}

HRESULT CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  if ((flags_ & AM_SAMPLE_TIMEVALID) == 0) return VFW_E_SAMPLE_TIME_NOT_SET;
  if (start == nullptr || end == nullptr) return E_POINTER;
  *start = start_;
  if ((flags_ & AM_SAMPLE_STOPVALID) == 0) {
    *end = start_ + 1;
    return VFW_S_NO_STOP_TIME;
  }
  *end = end_;
  return S_OK;
}

HRESULT CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  if (start == nullptr) {
    flags_ &= ~(AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID);
    return S_OK;
  }
  start_ = *start;
  flags_ |= AM_SAMPLE_TIMEVALID;
  if (end != nullptr) {
    end_ = *end;
    flags_ |= AM_SAMPLE_STOPVALID;
  } else {
    flags_ &= ~AM_SAMPLE_STOPVALID;
  }
  return S_OK;
}

HRESULT CMediaSample::IsSyncPoint() {
  return (flags_ & AM_SAMPLE_SPLICEPOINT) ? S_OK : S_FALSE;
}

HRESULT CMediaSample::SetSyncPoint(BOOL sync) {
  flags_ = sync ? flags_ | AM_SAMPLE_SPLICEPOINT : flags_ & ~AM_SAMPLE_SPLICEPOINT;
  return S_OK;
}

HRESULT CMediaSample::IsPreroll() {
  return (flags_ & AM_SAMPLE_PREROLL) ? S_OK : S_FALSE;
}

HRESULT CMediaSample::SetPreroll(BOOL preroll) {
  flags_ = preroll ? flags_ | AM_SAMPLE_PREROLL : flags_ & ~AM_SAMPLE_PREROLL;
  return S_OK;
}

LONG CMediaSample::GetActualDataLength() {
  return actual_;
}

HRESULT CMediaSample::SetActualDataLength(LONG length) {
  if (length < 0 || length > length_) return VFW_E_BUFFER_OVERFLOW;
  actual_ = length;
  return S_OK;
}

HRESULT CMediaSample::GetMediaType(AM_MEDIA_TYPE** type) {
  if (type == nullptr) return E_POINTER;
  if ((flags_ & AM_SAMPLE_TYPECHANGED) == 0 || mediaType_ == nullptr) {
    *type = nullptr;
    return S_FALSE;
  }
  *type = CreateMediaType(mediaType_);
  return *type == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT CMediaSample::SetMediaType(AM_MEDIA_TYPE* type) {
  if (mediaType_ != nullptr) {
    DeleteMediaType(mediaType_);
    mediaType_ = nullptr;
  }
  if (type == nullptr) {
    flags_ &= ~AM_SAMPLE_TYPECHANGED;
    return S_OK;
  }
  mediaType_ = CreateMediaType(type);
  if (mediaType_ == nullptr) return E_OUTOFMEMORY;
  flags_ |= AM_SAMPLE_TYPECHANGED;
  return S_OK;
}

HRESULT CMediaSample::IsDiscontinuity() {
  return (flags_ & AM_SAMPLE_DATADISCONTINUITY) ? S_OK : S_FALSE;
}

HRESULT CMediaSample::SetDiscontinuity(BOOL discontinuity) {
  flags_ =
      discontinuity ? flags_ | AM_SAMPLE_DATADISCONTINUITY : flags_ & ~AM_SAMPLE_DATADISCONTINUITY;
  return S_OK;
}

HRESULT CMediaSample::GetMediaTime(LONGLONG* start, LONGLONG* end) {
  if (!mediaTimeValid_) return VFW_E_MEDIA_TIME_NOT_SET;
  if (start == nullptr || end == nullptr) return E_POINTER;
  *start = mediaStart_;
  *end = mediaEnd_;
  return S_OK;
}

HRESULT CMediaSample::SetMediaTime(LONGLONG* start, LONGLONG* end) {
  if (start == nullptr) {
    mediaTimeValid_ = false;
    return S_OK;
  }
  if (end == nullptr) return E_POINTER;
  mediaStart_ = *start;
  mediaEnd_ = *end;
  mediaTimeValid_ = true;
  return S_OK;
}

HRESULT CMediaSample::GetProperties(DWORD size, BYTE* properties) {
  if (properties == nullptr) return E_POINTER;
  AM_SAMPLE2_PROPERTIES p;
  p.cbData = std::min<DWORD>(size, sizeof p);
  p.dwTypeSpecificFlags = typeSpecificFlags_;
  p.dwSampleFlags = flags_;
  p.lActual = actual_;
  p.tStart = start_;
  p.tStop = end_;
  p.dwStreamId = streamId_;
  p.pMediaType = (flags_ & AM_SAMPLE_TYPECHANGED) ? mediaType_ : nullptr;
  p.pbBuffer = buffer_;
  p.cbBuffer = length_;
  std::memcpy(properties, &p, p.cbData);
  return S_OK;
}

HRESULT CMediaSample::SetProperties(DWORD size, const BYTE* properties) {
  if (properties == nullptr) return E_POINTER;
  AM_SAMPLE2_PROPERTIES p;
  GetProperties(sizeof p, reinterpret_cast<BYTE*>(&p));  // unspecified fields keep their values
  std::memcpy(&p, properties, std::min<DWORD>(size, sizeof p));
  if (p.pbBuffer != buffer_ || p.cbBuffer != length_) {
    if (size >= offsetof(AM_SAMPLE2_PROPERTIES, cbBuffer) + sizeof(LONG)) return E_INVALIDARG;
  }
  if (p.lActual < 0 || p.lActual > length_) return VFW_E_BUFFER_OVERFLOW;
  if (p.pMediaType != mediaType_) {
    const HRESULT hr = SetMediaType(p.pMediaType);
    if (FAILED(hr)) return hr;
  }
  typeSpecificFlags_ = p.dwTypeSpecificFlags;
  flags_ = p.dwSampleFlags;
  if (mediaType_ == nullptr) flags_ &= ~AM_SAMPLE_TYPECHANGED;
  actual_ = p.lActual;
  start_ = p.tStart;
  end_ = p.tStop;
  streamId_ = p.dwStreamId;
  return S_OK;
}

// CMediaSample: one buffer of an allocator with its properties (times, media
// times, flags, actual length, type change, type-specific flags). When its last
// reference is released it returns to its allocator instead of being deleted.
#pragma once

#include "platform/media/Interfaces.h"

class CBaseAllocator;

class CMediaSample : public IMediaSample2 {
 public:
  CMediaSample(CBaseAllocator* allocator, BYTE* buffer, LONG length);
  virtual ~CMediaSample();
  CMediaSample(const CMediaSample&) = delete;
  CMediaSample& operator=(const CMediaSample&) = delete;

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetPointer(BYTE** buffer) override;
  LONG GetSize() override;
  HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  HRESULT IsSyncPoint() override;
  HRESULT SetSyncPoint(BOOL sync) override;
  HRESULT IsPreroll() override;
  HRESULT SetPreroll(BOOL preroll) override;
  LONG GetActualDataLength() override;
  HRESULT SetActualDataLength(LONG length) override;
  HRESULT GetMediaType(AM_MEDIA_TYPE** type) override;
  HRESULT SetMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT IsDiscontinuity() override;
  HRESULT SetDiscontinuity(BOOL discontinuity) override;
  HRESULT GetMediaTime(LONGLONG* start, LONGLONG* end) override;
  HRESULT SetMediaTime(LONGLONG* start, LONGLONG* end) override;
  HRESULT GetProperties(DWORD size, BYTE* properties) override;
  HRESULT SetProperties(DWORD size, const BYTE* properties) override;

  // Clears every property (the allocator calls it when the sample comes back).
  void ResetProperties();

 private:
  friend class CBaseAllocator;
  CBaseAllocator* allocator_;
  BYTE* buffer_;
  LONG length_;
  std::atomic<ULONG> ref_{0};
  DWORD flags_ = 0;  // AM_SAMPLE_* flags
  DWORD typeSpecificFlags_ = 0;
  DWORD streamId_ = AM_STREAM_MEDIA;
  LONG actual_;
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME end_ = 0;
  bool mediaTimeValid_ = false;
  LONGLONG mediaStart_ = 0;
  LONGLONG mediaEnd_ = 0;
  AM_MEDIA_TYPE* mediaType_ = nullptr;
};

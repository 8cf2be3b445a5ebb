// Allocators: a fixed pool of samples over one block of memory.
// SetProperties fixes count, size, alignment and prefix (refused while committed
// or while samples are out); Commit allocates; GetBuffer hands out a free
// sample and blocks while none is free; Decommit fails every waiting and later
// GetBuffer with VFW_E_NOT_COMMITTED, and the memory goes when the last sample
// comes back. Each sample out holds a reference on its allocator.
#pragma once

#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/media/Interfaces.h"
#include "platform/media/MediaSample.h"

class CBaseAllocator : public CUnknown, public IMemAllocator {
 public:
  explicit CBaseAllocator(const char* name);
  ~CBaseAllocator() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
  HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) override;
  HRESULT Commit() override;
  HRESULT Decommit() override;
  HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                    DWORD flags) override;
  HRESULT ReleaseBuffer(IMediaSample* sample) override;

  // Samples handed out and not yet returned.
  LONG OutstandingSamples();
  bool IsCommitted();

 protected:
  // Creates the pool for props_ (all samples free); called under the lock.
  virtual HRESULT Alloc() = 0;
  // Frees the pool; called under the lock when every sample is back.
  virtual void Free() = 0;

  std::mutex mutex_;
  ALLOCATOR_PROPERTIES props_;
  std::vector<CMediaSample*> samples_;  // all samples of the pool
  std::vector<CMediaSample*> free_;

 private:
  std::condition_variable available_;
  bool committed_ = false;
  bool allocated_ = false;
};

class CMemAllocator : public CBaseAllocator {
 public:
  CMemAllocator();
  ~CMemAllocator() override;

  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

 protected:
  HRESULT Alloc() override;
  void Free() override;

 private:
  BYTE* memory_ = nullptr;
  std::size_t memoryAlign_ = 1;
};

#include "platform/media/MemAllocator.h"

#include <new>

CBaseAllocator::CBaseAllocator(const char* name) : CUnknown(name) {}

CBaseAllocator::~CBaseAllocator() = default;

HRESULT CBaseAllocator::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IMemAllocator) return GetInterface(static_cast<IMemAllocator*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CBaseAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
  if (request == nullptr || actual == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (committed_) return VFW_E_ALREADY_COMMITTED;
  if (free_.size() != samples_.size()) return VFW_E_BUFFERS_OUTSTANDING;
  // An alignment of 0 is read as 1 (no alignment); others must be powers of two.
  const LONG align = request->cbAlign == 0 ? 1 : request->cbAlign;
  if (align < 0 || (align & (align - 1)) != 0) return VFW_E_BADALIGN;
  if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0) {
    return E_INVALIDARG;
  }
  ALLOCATOR_PROPERTIES p = *request;
  p.cbAlign = align;
  // Each buffer with its prefix starts on the alignment.
  const LONG total = p.cbBuffer + p.cbPrefix;
  const LONG rounded = (total + align - 1) / align * align;
  p.cbBuffer = rounded - p.cbPrefix;
  props_ = p;
  *actual = p;
  return S_OK;
}

HRESULT CBaseAllocator::GetProperties(ALLOCATOR_PROPERTIES* props) {
  if (props == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *props = props_;
  return S_OK;
}

HRESULT CBaseAllocator::Commit() {
  std::lock_guard lock(mutex_);
  if (committed_) return S_OK;
  if (props_.cBuffers <= 0 || props_.cbBuffer <= 0) return VFW_E_SIZENOTSET;
  if (!allocated_) {
    const HRESULT hr = Alloc();
    if (FAILED(hr)) return hr;
    allocated_ = true;
  }
  committed_ = true;
  return S_OK;
}

HRESULT CBaseAllocator::Decommit() {
  std::lock_guard lock(mutex_);
  if (!committed_) return S_OK;
  committed_ = false;
  available_.notify_all();
  if (allocated_ && free_.size() == samples_.size()) {
    Free();
    allocated_ = false;
  }
  return S_OK;
}

HRESULT CBaseAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*,
                                  DWORD flags) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  CMediaSample* taken = nullptr;
  {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (!committed_) return VFW_E_NOT_COMMITTED;
      if (!free_.empty()) break;
      if (flags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
      available_.wait(lock);
    }
    taken = free_.back();
    free_.pop_back();
  }
  AddRef();  // released when the sample comes back
  taken->AddRef();
  *sample = taken;
  return S_OK;
}

HRESULT CBaseAllocator::ReleaseBuffer(IMediaSample* sample) {
  auto* ours = dynamic_cast<CMediaSample*>(sample);
  if (ours == nullptr || ours->allocator_ != this) return E_INVALIDARG;
  {
    std::lock_guard lock(mutex_);
    free_.push_back(ours);
    available_.notify_one();
    if (!committed_ && allocated_ && free_.size() == samples_.size()) {
      Free();
      allocated_ = false;
    }
  }
  Release();
  return S_OK;
}

LONG CBaseAllocator::OutstandingSamples() {
  std::lock_guard lock(mutex_);
  return static_cast<LONG>(samples_.size() - free_.size());
}

bool CBaseAllocator::IsCommitted() {
  std::lock_guard lock(mutex_);
  return committed_;
}

CMemAllocator::CMemAllocator() : CBaseAllocator("memory allocator") {}

CMemAllocator::~CMemAllocator() {
  std::lock_guard lock(mutex_);
  if (memory_ != nullptr) Free();
}

CUnknown* CMemAllocator::CreateInstance(IUnknown*, HRESULT* hr) {
  auto* allocator = new (std::nothrow) CMemAllocator;
  if (hr) *hr = allocator ? S_OK : E_OUTOFMEMORY;
  return allocator;
}

HRESULT CMemAllocator::Alloc() {
  const std::size_t stride = static_cast<std::size_t>(props_.cbBuffer + props_.cbPrefix);
  const std::size_t total = stride * static_cast<std::size_t>(props_.cBuffers);
  memoryAlign_ = static_cast<std::size_t>(props_.cbAlign);
  memory_ = static_cast<BYTE*>(::operator new(
      total, std::align_val_t(std::max<std::size_t>(memoryAlign_, 1)), std::nothrow));
  if (memory_ == nullptr) return E_OUTOFMEMORY;
  for (LONG i = 0; i < props_.cBuffers; ++i) {
    BYTE* buffer = memory_ + stride * static_cast<std::size_t>(i) + props_.cbPrefix;
    auto* sample = new (std::nothrow) CMediaSample(this, buffer, props_.cbBuffer);
    if (sample == nullptr) {
      Free();
      return E_OUTOFMEMORY;
    }
    samples_.push_back(sample);
    free_.push_back(sample);
  }
  return S_OK;
}

void CMemAllocator::Free() {
  for (CMediaSample* sample : samples_)
    delete sample;
  samples_.clear();
  free_.clear();
  if (memory_ != nullptr) {
    ::operator delete(memory_, std::align_val_t(std::max<std::size_t>(memoryAlign_, 1)));
    memory_ = nullptr;
  }
}

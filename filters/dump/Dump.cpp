#include "filters/dump/Dump.h"

#include <mutex>

#include "common/Utf16.h"
#include "platform/com/TaskMemory.h"

namespace {

// Length of a zero-terminated name, looking no further than `limit` units
// (limit when no terminator comes before it).
std::size_t BoundedLength(LPCWSTR name, std::size_t limit) {
  std::size_t n = 0;
  while (n < limit && name[n] != 0)
    ++n;
  return n;
}

// The name in the system's code page (UTF-8), as the file system takes it;
// false when the name cannot be converted (an unpaired surrogate) or the
// converted name does not fit 260 bytes with its terminator.
bool ToSystemName(std::u16string_view name, std::string* out) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  *out = common::ToUtf8(name);
  return out->size() < kMaxDumpPath;
}

}  // namespace

// ---- file side ----------------------------------------------------------------

HRESULT CDump::SetFileName(LPCWSTR name) {
  if (name != nullptr && BoundedLength(name, kMaxDumpPath) >= kMaxDumpPath) {
    return static_cast<HRESULT>(ERROR_FILENAME_EXCED_RANGE);
  }
  CAutoLock lock(&receiveLock_);
  name_.clear();
  hasName_ = false;
  diskFull_ = false;
  file_.Close();
  if (name == nullptr) return S_OK;  // no name: no file

  name_.assign(name);
  hasName_ = true;
  std::string systemName;
  if (name_.empty() || !ToSystemName(name_, &systemName)) {
    return static_cast<HRESULT>(ERROR_INVALID_NAME);
  }
  const std::uint32_t error = file_.Open(systemName);
  return error == 0 ? S_OK : HRESULT_FROM_WIN32(error);
}

HRESULT CDump::GetCurFile(LPWSTR* name, AM_MEDIA_TYPE* mt) {
  if (name == nullptr) return E_POINTER;
  CAutoLock lock(&receiveLock_);
  *name = nullptr;
  if (hasName_) {
    *name = TaskCopyName(name_);
    if (*name == nullptr) return E_OUTOFMEMORY;
  }
  if (mt != nullptr) *mt = AM_MEDIA_TYPE();
  return S_OK;
}

// ---- input pin ----------------------------------------------------------------

CDumpInputPin::CDumpInputPin(CDumpFilter* filter, CCritSec* lock, HRESULT* hr)
    : CRenderedInputPin("dump input", filter, lock, hr, u"Input"), owner_(filter) {}

HRESULT CDumpInputPin::CheckMediaType(const CMediaType*) {
  return S_OK;
}

HRESULT CDumpInputPin::Receive(IMediaSample* sample) {
  CDump& dump = owner_->Dump();
  std::unique_lock lock(*dump.ReceiveLock());
  HRESULT hr = CRenderedInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  if (!dump.CanWrite()) return S_OK;

  REFERENCE_TIME start = 0, stop = 0;
  if (SUCCEEDED(sample->GetTime(&start, &stop))) dump.SetLastStart(start);
  BYTE* data = nullptr;
  hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  const LONG length = sample->GetActualDataLength();
  if (data == nullptr || length < 0 || length > sample->GetSize()) return E_UNEXPECTED;

  const std::uint32_t error =
      dump.Write(std::span<const std::uint8_t>(data, static_cast<std::size_t>(length)));
  if (error == 0) return S_OK;
  if (error == ERROR_DISK_FULL) {
    dump.SetDiskFull();
    // Stopping takes the filter lock, which SetFileName holds while it waits
    // for the receive lock: let go of the receive lock first.
    lock.unlock();
    owner_->Stop();
    owner_->NotifyEvent(EC_DUMP_DISK_FULL, HRESULT_FROM_WIN32(ERROR_DISK_FULL), 0);
  }
  return HRESULT_FROM_WIN32(error);
}

HRESULT CDumpInputPin::EndOfStream() {
  CAutoLock lock(owner_->Dump().ReceiveLock());
  return CRenderedInputPin::EndOfStream();
}

HRESULT CDumpInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  CAutoLock lock(owner_->Dump().ReceiveLock());
  owner_->Dump().SetLastStart(0);
  return CRenderedInputPin::NewSegment(start, stop, rate);
}

HRESULT CDumpInputPin::Inactive() {
  if (IsReadOnly()) {
    runTimeError_ = false;
    flushing_ = false;
    return S_OK;
  }
  return CRenderedInputPin::Inactive();
}

// ---- filter -------------------------------------------------------------------

CDumpFilter::CDumpFilter() : CBaseFilter("Dump", &lock_, CLSID_Dump) {
  HRESULT hr = S_OK;
  pin_ = std::make_unique<CDumpInputPin>(this, &lock_, &hr);
}

// The file closes with the filter.
CDumpFilter::~CDumpFilter() = default;

CUnknown* CDumpFilter::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  if (hr) *hr = S_OK;
  return new CDumpFilter;
}

HRESULT CDumpFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IFileSinkFilter) {
    return GetInterface(static_cast<IFileSinkFilter*>(this), object);
  }
  if (iid == IID_IMediaSeeking) {
    CAutoLock lock(&lock_);
    if (!seeking_) {
      HRESULT hr = S_OK;
      seeking_ = new CPosPassThru("dump seeking", nullptr, &hr, pin_.get());
    }
    return seeking_->NonDelegatingQueryInterface(iid, object);
  }
  return CBaseFilter::NonDelegatingQueryInterface(iid, object);
}

HRESULT CDumpFilter::SetFileName(LPCWSTR name, const AM_MEDIA_TYPE*) {
  CAutoLock lock(&lock_);
  return dump_.SetFileName(name);
}

HRESULT CDumpFilter::GetCurFile(LPWSTR* name, AM_MEDIA_TYPE* mt) {
  return dump_.GetCurFile(name, mt);
}

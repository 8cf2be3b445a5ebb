#include "platform/com/Stream.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace {

class CMemoryStream : public CUnknown, public IStream {
 public:
  CMemoryStream(const void* data, ULONG size) : CUnknown("memory stream") {
    const auto* bytes = static_cast<const BYTE*>(data);
    if (bytes != nullptr) bytes_.assign(bytes, bytes + size);
  }
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IStream) return GetInterface(static_cast<IStream*>(this), object);
    if (iid == IID_ISequentialStream) {
      return GetInterface(static_cast<ISequentialStream*>(this), object);
    }
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
    if (buffer == nullptr && size != 0) return E_POINTER;
    std::lock_guard lock(mutex_);
    const std::size_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    const ULONG n = static_cast<ULONG>(std::min<std::size_t>(left, size));
    if (n != 0) std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    if (read) *read = n;
    return n == size ? S_OK : S_FALSE;
  }
  HRESULT Write(const void* buffer, ULONG size, ULONG* written) override {
    if (buffer == nullptr && size != 0) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (bytes_.size() < position_ + size) bytes_.resize(position_ + size);
    if (size != 0) std::memcpy(bytes_.data() + position_, buffer, size);
    position_ += size;
    if (written) *written = size;
    return S_OK;
  }
  HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* newPosition) override {
    std::lock_guard lock(mutex_);
    LONGLONG base = 0;
    if (origin == STREAM_SEEK_CUR) {
      base = static_cast<LONGLONG>(position_);
    } else if (origin == STREAM_SEEK_END) {
      base = static_cast<LONGLONG>(bytes_.size());
    } else if (origin != STREAM_SEEK_SET) {
      return E_INVALIDARG;
    }
    if (base + move < 0) return E_INVALIDARG;
    position_ = static_cast<std::size_t>(base + move);
    if (newPosition) *newPosition = position_;
    return S_OK;
  }
  HRESULT SetSize(ULONGLONG size) override {
    std::lock_guard lock(mutex_);
    bytes_.resize(static_cast<std::size_t>(size));
    return S_OK;
  }

 private:
  std::mutex mutex_;
  std::vector<BYTE> bytes_;
  std::size_t position_ = 0;
};

}  // namespace

namespace com {

HRESULT CreateMemoryStream(const void* data, ULONG size, IStream** stream) {
  if (stream == nullptr) return E_POINTER;
  *stream = new CMemoryStream(data, size);
  (*stream)->AddRef();
  return S_OK;
}

}  // namespace com

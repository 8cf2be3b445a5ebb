#include "demux/filter/PidMapEnumerator.h"

#include <algorithm>

namespace demux {

CPidMapEnumerator::CPidMapEnumerator(std::vector<PID_MAP> maps, std::size_t position)
    : CUnknown("PID map enumerator"),
      maps_(std::move(maps)),
      position_(std::min(position, maps_.size())) {}

HRESULT CPidMapEnumerator::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IEnumPIDMap) return GetInterface(static_cast<IEnumPIDMap*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CPidMapEnumerator::Next(ULONG count, PID_MAP* maps, ULONG* received) {
  if (maps == nullptr && count > 0) return E_POINTER;
  // As with every enumerator: without a count out-parameter only one at a time.
  if (received == nullptr && count != 1) return E_POINTER;
  const std::size_t n = std::min<std::size_t>(count, maps_.size() - position_);
  std::copy_n(maps_.begin() + static_cast<std::ptrdiff_t>(position_), n, maps);
  position_ += n;
  if (received != nullptr) *received = static_cast<ULONG>(n);
  return n == count ? S_OK : S_FALSE;
}

HRESULT CPidMapEnumerator::Skip(ULONG count) {
  const std::size_t left = maps_.size() - position_;
  const std::size_t n = std::min<std::size_t>(count, left);
  position_ += n;
  return n == count ? S_OK : S_FALSE;
}

HRESULT CPidMapEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT CPidMapEnumerator::Clone(IEnumPIDMap** clone) {
  if (clone == nullptr) return E_POINTER;
  auto* copy = new CPidMapEnumerator(maps_, position_);
  return GetInterface(static_cast<IEnumPIDMap*>(copy), reinterpret_cast<void**>(clone));
}

}  // namespace demux

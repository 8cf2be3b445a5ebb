#include "platform/bda/model/DeviceState.h"

#include <algorithm>
#include "common/TsConstants.h"

namespace bda {

namespace {
constexpr std::size_t kPacketSize = common::kPacketSize;
}

HRESULT PidFilterState::SetMode(LONG mode) {
  if (mode != kPidFilterPassAll && mode != kPidFilterMappedOnly) return E_INVALIDARG;
  mode_.store(mode);
  return S_OK;
}

HRESULT PidFilterState::Map(std::span<const ULONG> pids, MEDIA_SAMPLE_CONTENT content) {
  if (std::any_of(pids.begin(), pids.end(), [](ULONG p) { return p > kMaxTransportPid; }))
    return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  for (ULONG pid : pids) {
    maps_[pid] = content;
    passes_.set(pid);
  }
  return S_OK;
}

HRESULT PidFilterState::Unmap(std::span<const ULONG> pids) {
  if (std::any_of(pids.begin(), pids.end(), [](ULONG p) { return p > kMaxTransportPid; }))
    return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  for (ULONG pid : pids) {
    maps_.erase(pid);
    passes_.reset(pid);
  }
  return S_OK;
}

std::vector<PID_MAP> PidFilterState::Maps() const {
  std::lock_guard lock(mutex_);
  std::vector<PID_MAP> maps;
  for (const auto& [pid, content] : maps_)
    maps.push_back({pid, content});
  return maps;
}

std::size_t PidFilterState::Filter(std::span<std::uint8_t> packets) const {
  const std::size_t whole = packets.size() / kPacketSize * kPacketSize;
  if (mode_.load() == kPidFilterPassAll) return whole;
  std::lock_guard lock(mutex_);
  std::size_t kept = 0;
  for (std::size_t at = 0; at < whole; at += kPacketSize) {
    const unsigned pid = (packets[at + 1] & 0x1Fu) << 8 | packets[at + 2];
    if (!passes_.test(pid)) continue;
    if (kept != at) std::copy_n(packets.begin() + at, kPacketSize, packets.begin() + kept);
    kept += kPacketSize;
  }
  return kept;
}

DeviceState::DeviceState(std::shared_ptr<TunerDevice> device) : device_(std::move(device)) {}

DeviceSettings DeviceState::Pending() const {
  std::lock_guard lock(mutex_);
  return pending_;
}

DeviceSettings DeviceState::Current() const {
  std::lock_guard lock(mutex_);
  return current_;
}

HRESULT DeviceState::StartChanges() {
  std::lock_guard lock(mutex_);
  pending_ = current_;
  rfChanged_ = false;
  demodulatorChanged_ = false;
  return S_OK;
}

HRESULT DeviceState::Check(const DeviceSettings& settings) const {
  if (settings.rf.multiplier == 0) return E_INVALIDARG;
  return S_OK;
}

HRESULT DeviceState::CheckChanges() {
  std::lock_guard lock(mutex_);
  return Check(pending_);
}

HRESULT DeviceState::CommitChanges() {
  // Commits are serialised; the settings lock is not held while the device
  // tunes, so readers of the settings and statistics never wait on it.
  std::lock_guard commit(commitMutex_);
  DeviceTune tune;
  bool retune = false;
  {
    std::lock_guard lock(mutex_);
    const HRESULT hr = Check(pending_);
    if (FAILED(hr)) return hr;
    current_ = pending_;
    retune = rfChanged_;
    rfChanged_ = false;
    demodulatorChanged_ = false;
    tune.frequencyHz = std::uint64_t{current_.rf.frequency} * current_.rf.multiplier;
    tune.bandwidthMHz = current_.rf.bandwidth;
    tune.family = current_.activeFamily;
    if (auto it = current_.demodulators.find(tune.family); it != current_.demodulators.end())
      tune.modulation = it->second.automatic ? BDA_MOD_NOT_SET : it->second.modulation;
  }
  if (retune) device_->Tune(tune);
  return S_OK;
}

ULONG DeviceState::ChangeState() const {
  std::lock_guard lock(mutex_);
  return rfChanged_ || demodulatorChanged_ ? BDA_CHANGES_PENDING : BDA_CHANGES_COMPLETE;
}

HRESULT DeviceState::PidFilterChanged(HRESULT hr) {
  if (FAILED(hr)) return hr;
  std::vector<ULONG> pids;
  for (const PID_MAP& map : pidFilter_.Maps())
    pids.push_back(map.ulPID);
  device_->PidFilterChanged(pidFilter_.Mode(), pids);
  return hr;
}

HRESULT DeviceState::SetPidMode(LONG mode) {
  std::lock_guard lock(pidFilterMutex_);
  return PidFilterChanged(pidFilter_.SetMode(mode));
}

HRESULT DeviceState::MapPids(std::span<const ULONG> pids, MEDIA_SAMPLE_CONTENT content) {
  std::lock_guard lock(pidFilterMutex_);
  return PidFilterChanged(pidFilter_.Map(pids, content));
}

HRESULT DeviceState::UnmapPids(std::span<const ULONG> pids) {
  std::lock_guard lock(pidFilterMutex_);
  return PidFilterChanged(pidFilter_.Unmap(pids));
}

SignalState DeviceState::Signal() const {
  return device_->Signal();
}

}  // namespace bda

// The settings of a tuner device's nodes and the change transaction that
// applies them (IBDA_DeviceControl), shared by the filter and its node objects
// (which may be held a little longer than the filter).
//
// Node puts write the pending settings; CommitChanges makes them current and,
// when the RF tuner's settings were put since the last commit, tunes the
// device with frequency x multiplier and the demodulator chosen last (the node
// whose modulation or automatic mode was put). The PID filter is not part of
// the transaction: its maps and mode act at once.
#pragma once

#include <atomic>
#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/bda/model/Mpeg2Interfaces.h"
#include "platform/bda/model/TunerDevice.h"

namespace bda {

struct RfSettings {
  ULONG frequency = 0;
  ULONG multiplier = 1;
  ULONG bandwidth = BDA_ULONG_NOT_SET;
  ULONG autotune = 0;
  LONG polarity = -1;
  ULONG range = BDA_ULONG_NOT_SET;
  ULONG lnbLow = BDA_ULONG_NOT_SET;
  ULONG lnbHigh = BDA_ULONG_NOT_SET;
  ULONG lnbSwitch = BDA_ULONG_NOT_SET;
};

struct DemodulatorSettings {
  ModulationType modulation = BDA_MOD_NOT_SET;
  bool automatic = false;
  FECMethod innerFecMethod = BDA_FEC_METHOD_NOT_SET;
  BinaryConvolutionCodeRate innerFecRate = BDA_BCC_RATE_NOT_SET;
  FECMethod outerFecMethod = BDA_FEC_METHOD_NOT_SET;
  BinaryConvolutionCodeRate outerFecRate = BDA_BCC_RATE_NOT_SET;
  ULONG symbolRate = BDA_ULONG_NOT_SET;
  SpectralInversion spectralInversion = BDA_SPECTRAL_INVERSION_NOT_SET;
};

struct DeviceSettings {
  RfSettings rf;
  std::map<common::DemodulatorFamily, DemodulatorSettings> demodulators;
  common::DemodulatorFamily activeFamily = common::DemodulatorFamily::kNone;
};

// The hardware PID filter: a mode and the mapped PIDs. Safe to use from the
// streaming thread while the control side changes it.
class PidFilterState {
 public:
  HRESULT SetMode(LONG mode);
  LONG Mode() const { return mode_.load(); }
  HRESULT Map(std::span<const ULONG> pids, MEDIA_SAMPLE_CONTENT content);
  HRESULT Unmap(std::span<const ULONG> pids);
  std::vector<PID_MAP> Maps() const;
  // Keeps the packets the filter passes, moved to the front; returns their byte
  // count. `packets` holds whole 188-byte packets.
  std::size_t Filter(std::span<std::uint8_t> packets) const;

 private:
  std::atomic<LONG> mode_{kPidFilterPassAll};
  mutable std::mutex mutex_;
  std::map<ULONG, MEDIA_SAMPLE_CONTENT> maps_;
  std::bitset<kMaxTransportPid + 1> passes_;
};

class DeviceState {
 public:
  explicit DeviceState(std::shared_ptr<TunerDevice> device);

  // Pending settings, changed under the state's lock by the nodes.
  template <class F>
  HRESULT ChangeRf(F&& change) {
    std::lock_guard lock(mutex_);
    change(pending_.rf);
    rfChanged_ = true;
    return S_OK;
  }
  template <class F>
  HRESULT ChangeDemodulator(common::DemodulatorFamily family, bool chooses, F&& change) {
    std::lock_guard lock(mutex_);
    change(pending_.demodulators[family]);
    if (chooses) {
      pending_.activeFamily = family;
      demodulatorChanged_ = true;
    }
    return S_OK;
  }
  DeviceSettings Pending() const;
  DeviceSettings Current() const;

  // IBDA_DeviceControl.
  HRESULT StartChanges();
  HRESULT CheckChanges();
  HRESULT CommitChanges();
  ULONG ChangeState() const;

  SignalState Signal() const;
  PidFilterState& PidFilter() { return pidFilter_; }
  // The PID-filter node's calls: change the filter, then tell the device.
  HRESULT SetPidMode(LONG mode);
  HRESULT MapPids(std::span<const ULONG> pids, MEDIA_SAMPLE_CONTENT content);
  HRESULT UnmapPids(std::span<const ULONG> pids);
  TunerDevice& Device() { return *device_; }

 private:
  HRESULT Check(const DeviceSettings& settings) const;
  HRESULT PidFilterChanged(HRESULT hr);

  const std::shared_ptr<TunerDevice> device_;
  mutable std::mutex mutex_;
  std::mutex commitMutex_;     // one commit at a time talks to the device
  std::mutex pidFilterMutex_;  // the device learns of PID-filter changes in order
  DeviceSettings pending_;
  DeviceSettings current_;
  bool rfChanged_ = false;
  bool demodulatorChanged_ = false;
  PidFilterState pidFilter_;
};

}  // namespace bda

// What a tuner device model drives: a backend that tunes a frequency with one
// demodulator family and reports its signal, and the transport stream it
// receives. The virtual tuner is one backend, a Linux DVB adapter another.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/BandPlan.h"
#include "platform/bda/model/BdaInterfaces.h"

namespace bda {

// The settings a committed change applies to the device.
struct DeviceTune {
  std::uint64_t frequencyHz = 0;           // RF node frequency times its multiplier
  ULONG bandwidthMHz = BDA_ULONG_NOT_SET;  // open when not set
  common::DemodulatorFamily family = common::DemodulatorFamily::kNone;
  ModulationType modulation = BDA_MOD_NOT_SET;  // BDA_MOD_NOT_SET: the device decides
};

struct SignalState {
  bool locked = false;
  bool present = false;
  LONG quality = 0;   // percent
  LONG strength = 0;  // mdB
};

class TunerDevice {
 public:
  virtual ~TunerDevice() = default;
  // Tunes; true when the device locked.
  virtual bool Tune(const DeviceTune& tune) = 0;
  virtual SignalState Signal() const = 0;
  // The PID-filter node changed: `mode` kPidFilterPassAll or
  // kPidFilterMappedOnly, `pids` the mapped PIDs. A device with a filter of its
  // own sets it here; the default filters in software only.
  virtual void PidFilterChanged(LONG mode, const std::vector<ULONG>& pids) {
    (void)mode;
    (void)pids;
  }
};

// The transport-stream side of a backend, read by the tuner filter's
// streaming thread.
class TunerStream {
 public:
  virtual ~TunerStream() = default;
  // The streaming thread starts, or starts again after a stop.
  virtual void StartStreaming() {}
  // Reads whole 188-byte packets into `buffer`, waiting a little when none are
  // there; `bytes` gets their byte count, 0 when nothing was received. A
  // failure ends the stream (the device is gone).
  virtual HRESULT Read(std::span<std::uint8_t> buffer, std::size_t* bytes) = 0;
  // Counts the tunes, so that the first sample after each is marked.
  virtual std::uint32_t TuneCount() const = 0;
};

}  // namespace bda

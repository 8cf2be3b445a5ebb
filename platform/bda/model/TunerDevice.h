// What a tuner device model drives: a backend that tunes a frequency with one
// demodulator family and reports its signal. The virtual tuner is one backend;
// a Linux DVB frontend would be another.
#pragma once

#include <cstdint>

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
};

}  // namespace bda

// The tuners of corvane-cli: the virtual tuners of the broadcast the commands
// receive and the DVB adapters of the machine, chosen by name with
// "--tuner NAME" (any command that tunes takes it through TakeTunerOption and
// OpenTuner).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/BandPlan.h"

namespace cli {

// A tuner the commands tune and read directly.
class CliTuner {
 public:
  virtual ~CliTuner() = default;
  // Tunes the band plan's frequency with `mode`; true when it locked.
  virtual bool Tune(const common::TuneFrequency& frequency, common::ModulationMask mode) = 0;
  // Whole packets into `out`; their byte count, 0 when none arrived.
  virtual std::size_t Read(std::span<std::uint8_t> out) = 0;
  virtual int Quality() const = 0;  // percent
  virtual std::string LastError() const = 0;
  virtual bool Paced() const = 0;  // reads return in real time
};

// Takes "--tuner NAME" out of `args` into `name` (left as it is when the
// option is absent). False when "--tuner" has no name after it.
bool TakeTunerOption(std::vector<std::string>& args, std::string* name);

// The tuner with this friendly name ("Corvane Virtual Tuner 2", a DVB
// adapter's name as `corvane-cli tuners` lists it); an empty name is the first
// virtual tuner. Null with `error` set when there is no such tuner.
std::unique_ptr<CliTuner> OpenTuner(const std::string& name, std::string* error);

// Lists every tuner in the device enumerator, virtual and real.
struct TunerListing {
  std::string friendlyName;
  std::string displayName;
  common::ModulationMask modulations = 0;
};
std::vector<TunerListing> ListTuners(std::string* error);

}  // namespace cli

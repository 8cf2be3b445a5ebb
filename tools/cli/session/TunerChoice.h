// The tuners of corvane-cli: the virtual tuners of the broadcast the commands
// receive and the DVB adapters of the machine, chosen by name with
// "--tuner NAME" (every command that tunes takes it through TakeTunerOption).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/BandPlan.h"

namespace cli {

// Takes "--tuner NAME" out of `args` into `name` (left as it is when the
// option is absent). False when "--tuner" has no name after it.
bool TakeTunerOption(std::vector<std::string>& args, std::string* name);

// Lists every tuner in the device enumerator, virtual and real.
struct TunerListing {
  std::string friendlyName;
  std::string displayName;
  common::ModulationMask modulations = 0;
};
std::vector<TunerListing> ListTuners(std::string* error);

}  // namespace cli

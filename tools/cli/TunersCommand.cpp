// "tuners": every tuner the program can use, virtual and real, with the
// modulations each offers.
#include <cstdio>

#include "tools/cli/CliCommand.h"
#include "tools/cli/session/TunerChoice.h"

namespace cli {
namespace {

int Tuners(Args args) {
  if (!args.empty()) {
    std::fprintf(stderr, "usage: corvane-cli tuners\n");
    return 2;
  }
  std::string error;
  const std::vector<TunerListing> tuners = ListTuners(&error);
  if (tuners.empty() && !error.empty()) {
    std::fprintf(stderr, "corvane-cli: %s\n", error.c_str());
    return 1;
  }
  for (const TunerListing& t : tuners) {
    std::printf("%s\n  %s\n  ", t.friendlyName.c_str(), t.displayName.c_str());
    const auto modes = common::OfferedModulations(t.modulations);
    for (std::size_t i = 0; i < modes.size(); ++i)
      std::printf("%s%s", i ? ", " : "", common::ModulationName(modes[i]));
    std::printf("%s\n", modes.empty() ? "no modulations" : "");
  }
  return 0;
}

const CommandRegistration kTuners({"tuners", "",
                                   "list the tuners (virtual and DVB) with their modulations",
                                   Tuners});

}  // namespace
}  // namespace cli

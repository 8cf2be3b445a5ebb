// "power": what power management this machine offers the program: logind's
// inhibitor locks and sleep notices on the system bus, and the alarm clocks
// that can wake it for a recording.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/power/LogindBus.h"
#include "platform/power/SystemWakeAlarms.h"
#include "tools/cli/CliCommand.h"

namespace cli {
namespace {

int Power(Args args) {
  if (!args.empty()) {
    std::fprintf(stderr, "corvane-cli power: no arguments expected\n");
    return 2;
  }
  std::string reason;
  const auto bus = power::OpenLogindBus(&reason);
  if (bus) {
    std::printf("System bus: logind answers\n");
    std::printf("Inhibitor locks: idle, sleep and shutdown (block and delay)\n");
    std::printf("Sleep and shutdown notices: PrepareForSleep, PrepareForShutdown\n");
  } else {
    std::printf("System bus: not available (%s)\n", reason.c_str());
    std::printf("Inhibitor locks: recorded only; nothing holds off sleep or shutdown\n");
    std::printf("Sleep and shutdown notices: none\n");
  }
  bool wakeable = false;
  for (const auto& alarm : power::SystemWakeAlarms()) {
    const int error = alarm->Open();
    wakeable = wakeable || error == 0;
    std::printf("Wake alarm, %s: %s\n", alarm->Name(),
                error == 0 ? "permitted" : std::strerror(error));
  }
  std::printf("Wake-up for timers: %s\n", wakeable ? "yes" : "no");
  std::printf("Away mode: not offered by this platform\n");
  return 0;
}

const CommandRegistration kPower({"power", "",
                                  "power management available: bus, inhibitor locks, wake alarms",
                                  Power});

}  // namespace
}  // namespace cli

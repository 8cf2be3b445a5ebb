// "timers list|add|remove": the timer list of the settings file.
#include "tools/cli/CliCommand.h"
#include "tools/cli/timers/TimersRun.h"

namespace cli {
namespace {

int List(Args args) {
  return RunTimersList(args, stdout, stderr);
}
int Add(Args args) {
  return RunTimersAdd(args, stdout, stderr);
}
int Remove(Args args) {
  return RunTimersRemove(args, stdout, stderr);
}

const CommandRegistration kList({"timers list", kTimersListUsage, "the recording timers", List});
const CommandRegistration kAdd({"timers add", kTimersAddUsage,
                                "add a recording timer (refused on a conflict)", Add});
const CommandRegistration kRemove({"timers remove", kTimersRemoveUsage,
                                   "remove the timer numbered N by \"timers list\"", Remove});

}  // namespace
}  // namespace cli

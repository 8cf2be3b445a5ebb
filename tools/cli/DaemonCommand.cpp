// "daemon": the recorder without a window.
#include "tools/cli/CliCommand.h"
#include "tools/cli/daemon/DaemonRun.h"

namespace cli {
namespace {

int Daemon(Args args) {
  return RunDaemon(args, stdout, stderr);
}

const CommandRegistration kDaemon({"daemon", kDaemonUsage,
                                   "record the timers without a window until SIGTERM", Daemon});

}  // namespace
}  // namespace cli

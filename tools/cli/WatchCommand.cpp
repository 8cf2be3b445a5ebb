// "watch": a channel on the first tuner, with what is on the air once a second.
#include "tools/cli/CliCommand.h"
#include "tools/cli/watch/WatchRun.h"

namespace cli {
namespace {

int Watch(Args args) {
  return RunWatch(args, stdout, stderr);
}

const CommandRegistration kWatch({"watch", kWatchUsage,
                                  "watch a channel on the first tuner: lock, signal, what is on",
                                  Watch});

}  // namespace
}  // namespace cli

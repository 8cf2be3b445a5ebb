// "play": reads a recording or time-shift list with the "MPEG-2 Source"
// (tools/cli/play).
#include "tools/cli/CliCommand.h"
#include "tools/cli/play/PlayRun.h"

namespace cli {
namespace {

int Play(Args args) {
  return cli::RunPlay(args, stdout, stderr);
}

const CommandRegistration kPlay({"play", cli::kPlayUsage,
                                 "read a recording or time-shift list; what each stream carried",
                                 Play});

}  // namespace
}  // namespace cli

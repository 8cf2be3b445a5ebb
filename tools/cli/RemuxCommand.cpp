// "remux": records a programme of a capture through the live graph's
// recording chain (tools/cli/remux).
#include "tools/cli/CliCommand.h"
#include "tools/cli/remux/RemuxRun.h"

namespace cli {
namespace {

int Remux(Args args) {
  return cli::RunRemux(args, stdout, stderr);
}

const CommandRegistration kRemux({"remux", cli::kRemuxUsage,
                                  "record a programme of a capture into an MPEG-2 programme stream",
                                  Remux});

}  // namespace
}  // namespace cli

// "psip": receives a capture through the live graph's ingest chain and lists
// the channels and guide its broadcast tables announce (tools/cli/psip).
#include "tools/cli/CliCommand.h"
#include "tools/cli/psip/PsipRun.h"

namespace cli {
namespace {

int Psip(Args args) {
  return cli::RunPsip(args, stdout, stderr);
}

const CommandRegistration kPsip({"psip", cli::kPsipUsage,
                                 "receive a capture through the live graph; channels and guide",
                                 Psip});

}  // namespace
}  // namespace cli

// "scan": the channel scan of the "Channels" dialog on the first tuner.
#include "tools/cli/CliCommand.h"
#include "tools/cli/scan/ScanRun.h"

namespace cli {
namespace {

int Scan(Args args) {
  return RunScan(args, stdout, stderr);
}

const CommandRegistration kScan({"scan", kScanUsage,
                                 "scan a band on the first tuner; saves the channels found", Scan});

}  // namespace
}  // namespace cli

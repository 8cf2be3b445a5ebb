// "record": a manual recording of a channel on the first tuner.
#include "tools/cli/CliCommand.h"
#include "tools/cli/record/RecordRun.h"

namespace cli {
namespace {

int Record(Args args) {
  return RunRecord(args, stdout, stderr);
}

const CommandRegistration kRecord({"record", kRecordUsage,
                                   "record a channel now into the record folder", Record});

}  // namespace
}  // namespace cli

// "record": a manual recording through the program's graph manager
// (tools/cli/record).
#pragma once

#include <cstdio>
#include <span>
#include <string>

namespace cli {

inline constexpr const char* kRecordUsage =
    "CHANNEL --minutes M [--title T] [--instance NAME] [--tuner NAME]";

int RunRecord(std::span<const std::string> args, std::FILE* out, std::FILE* err);

}  // namespace cli

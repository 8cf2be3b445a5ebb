// "scan": the program's channel scan without its dialog, on the graph manager
// over the first selected tuner (tools/cli/scan).
#pragma once

#include <cstdio>
#include <span>
#include <string>

namespace cli {

inline constexpr const char* kScanUsage =
    "[--map NAME] [--modulation NAME] [--from N] [--to N] [--slow] [--instance NAME] "
    "[--tuner NAME]";

int RunScan(std::span<const std::string> args, std::FILE* out, std::FILE* err);

}  // namespace cli

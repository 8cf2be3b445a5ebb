// corvane-soak: simulated days of viewing, time shift and timer recordings on
// two virtual tuners (see SoakRun.h). "--days 1" is the short run the tests
// run; "--days 7" the week run by hand.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/soak/SoakRun.h"

namespace {

constexpr const char* kUsage =
    "usage: corvane-soak [--days N] [--zap-minutes N] [--shift-minutes N] [--dwell-ms N]\n"
    "                    [--record-dwell-ms N]\n"
    "                    [--guide-pass] [--ffprobe] [--growth-limit PERCENT] [--keep FOLDER]\n"
    "                    [--verbose]\n";

bool Parse(int argc, char** argv, soak::SoakOptions& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    auto number = [&](int& field) {
      field = std::atoi(argv[++i]);
      return field > 0;
    };
    if (a == "--days" && hasValue) {
      if (!number(o.days)) return false;
    } else if (a == "--zap-minutes" && hasValue) {
      if (!number(o.channelChangeMinutes)) return false;
    } else if (a == "--shift-minutes" && hasValue) {
      if (!number(o.timeShiftMinutes)) return false;
    } else if (a == "--dwell-ms" && hasValue) {
      if (!number(o.dwellMilliseconds)) return false;
    } else if (a == "--record-dwell-ms" && hasValue) {
      if (!number(o.recordingDwellMilliseconds)) return false;
    } else if (a == "--growth-limit" && hasValue) {
      o.growthLimitPercent = std::atof(argv[++i]);
    } else if (a == "--keep" && hasValue) {
      o.keep = argv[++i];
    } else if (a == "--guide-pass") {
      o.guidePass = true;
    } else if (a == "--ffprobe") {
      o.ffprobe = true;
    } else if (a == "--verbose") {
      o.verbose = true;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  soak::SoakOptions options;
  if (!Parse(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return soak::RunSoak(options, stdout);
}

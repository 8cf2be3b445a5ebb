// The soak: the program's graph managers on two virtual tuners, its player on
// the first and its scheduler over both, driven through simulated days in far
// less time. The scheduler's clock moves a simulated second per tick with no
// wait in between; the graphs get real time (the tuners paced by the
// broadcast) only around the events: a channel change on the first tuner
// every few simulated minutes (within and across multiplexes), now and then a
// pause, a rewind and a jump back to live on its time-shift player, and every
// start and end of a timer recording.
#pragma once

#include <cstdio>
#include <filesystem>

namespace soak {

struct SoakOptions {
  int days = 1;
  int channelChangeMinutes = 20;
  int timeShiftMinutes = 150;
  int dwellMilliseconds = 400;  // real time the graphs run around an event
  // Real time after a recording starts or ends, so that every file holds
  // a good number of pictures even on a busy machine.
  int recordingDwellMilliseconds = 1000;
  bool guidePass = false;  // the scheduler's background guide pass on the last tuner
  bool ffprobe = false;    // also check every recording with ffprobe
  double growthLimitPercent = 10;
  std::filesystem::path keep;  // where to leave the recordings (empty: removed)
  bool verbose = false;
};

// Runs the soak and prints its report; 0 when no timer was missed or late,
// every recording reads back and memory stayed flat.
int RunSoak(const SoakOptions& options, std::FILE* out);

}  // namespace soak

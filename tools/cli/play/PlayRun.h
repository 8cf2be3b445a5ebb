// "corvane-cli play": reads a recording file or a time-shift list with the
// "MPEG-2 Source" into renderers that show nothing, as fast as it reads, and
// reports what each stream carried: sample counts, first and last times, the
// programme text records seen, and the range the source says is available.
// With --decode the program's player runs instead, headless and unpaced, and
// reports per stream the frames decoded, the first and last times and the
// decode errors; --frames saves a PNG of every second of stream.
#pragma once

#include <cstdio>
#include <span>
#include <string>

namespace cli {

// Runs the command on the arguments after "play". Returns the exit code: 0
// done, 1 failed (one line on `err`), 2 bad usage.
int RunPlay(std::span<const std::string> args, std::FILE* out, std::FILE* err);

inline constexpr const char* kPlayUsage =
    "FILE.mpg|LIST.lst [--decode [--captions] [--frames DIR]] [--seek SECONDS] [--rate R]";

}  // namespace cli

// "corvane-cli remux": records one programme of a capture file through the
// live graph's recording chain into an MPEG-2 programme stream, or into a
// time-shift list of chunk files.
//
// The capture is put on the air as in "psip" (unpaced, one multiplex) and
// received by the ingest chain; the "Demux" feeds the programme's video
// through the "Video Analyzer" and its AC-3 audio to the "MPEG-2 Sink", and a
// "Text Source" fed once per second of stream time with the programme's
// now-playing record (from the section poll) gives the sink its text stream.
#pragma once

#include <cstdio>
#include <span>
#include <string>

namespace cli {

// Runs the command on the arguments after "remux". Returns the exit code: 0
// done, 1 failed (one line on `err`), 2 bad usage.
int RunRemux(std::span<const std::string> args, std::FILE* out, std::FILE* err);

inline constexpr const char* kRemuxUsage =
    "CAPTURE --program N (--out FILE.mpg | --buffer DIR/NAME.lst) [--seconds S] "
    "[--map NAME --physical N --modulation NAME]";

}  // namespace cli

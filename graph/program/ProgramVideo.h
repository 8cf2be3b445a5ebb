// A programme's video read from a transport stream the way the program's
// graph delivers it: the demultiplexer's elementary-stream units of the video
// PID, one PES each, timed from PTS on the PCR timeline, a discontinuity
// marked where the stream breaks.
//
// The video PID comes from the programme finder's pass over the input (the
// program knows a channel's PIDs before it tunes); this pass runs the whole
// stream with that PID mapped from the start.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "graph/program/ProgramFinder.h"

namespace graph {

// One unit of video: its bytes, its start time in 100 ns units when it has
// one, and whether the stream broke before it.
using VideoUnitCallback =
    std::function<void(std::span<const std::uint8_t> bytes, std::optional<std::int64_t> startTime,
                       bool discontinuity)>;

// The whole input from its start, each unit of PID `videoPid` to `onUnit`.
void ReadProgramVideo(ChunkSource& input, std::uint16_t videoPid, const VideoUnitCallback& onUnit);

}  // namespace graph

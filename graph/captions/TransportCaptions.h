// Captions of one programme of a transport stream, pulled the way the
// program's graph delivers them: the demultiplexer's elementary-stream units
// of the programme's video PID (one PES each, timed from PTS on the PCR
// timeline, a discontinuity marked where the stream breaks) fed to the caption
// extractor through a CaptionFeeder.
//
// The video PID comes from the programme finder's pass over the input (the
// program knows a channel's PIDs before it tunes); this pass runs the whole
// stream with that PID mapped from the start.
#pragma once

#include <cstdint>

#include "graph/captions/CaptionFeeder.h"
#include "graph/program/ProgramFinder.h"

namespace graph {

// The whole input from its start, PID `videoPid` fed to `feeder`.
void FeedTransportVideo(ChunkSource& input, std::uint16_t videoPid, CaptionFeeder& feeder);

}  // namespace graph

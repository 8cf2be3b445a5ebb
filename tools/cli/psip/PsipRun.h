// "corvane-cli psip": receives a capture file through the live graph's ingest
// chain and shows what its broadcast tables announce.
//
// The capture is put on the air as a one-multiplex broadcast at the given
// channel map, physical channel and modulation, unpaced, and received by a
// virtual tuner behind the network provider, with the "Smart Tee" feeding the
// "TS Sink" and the "Demux" with the section buffer. The section poll runs
// once per second of stream time. The first pass of the capture is a channel
// scan: VCTs create channels, and the channel collection applies PAT, PMT and
// SDT at its end. The second pass is watched with the scan over, so guide
// events and texts reach the channels made. Then "PSIP.txt" and "Guide.txt"
// are written and the channels listed as the "Channels" tree shows them.
#pragma once

#include <cstdio>
#include <span>
#include <string>

namespace cli {

// Runs the command on the arguments after "psip"; messages go to `out`, errors
// (one line) to `err`. Returns the exit code: 0 done, 1 failed, 2 bad usage.
int RunPsip(std::span<const std::string> args, std::FILE* out, std::FILE* err);

inline constexpr const char* kPsipUsage =
    "CAPTURE --map NAME --physical N --modulation NAME [--dump FILE.ts] --out DIR [--guide]";

}  // namespace cli

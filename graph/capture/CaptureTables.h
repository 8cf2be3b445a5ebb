// The broadcast tables of a capture, received as the program receives them
// through the ingest chain, with the section poll run once per second of
// stream time. The first pass of the capture is a channel scan: VCTs create
// channels, and the channel collection applies PAT, PMT and SDT at its end.
// The second pass is watched with the scan over (the first channel of the
// list, where the program returns after a scan), so guide events and texts
// reach the channels made. The second pass carries only the tables (and the
// clock that times the poll), played from memory, so the capture file is read
// once when its tables fit the record (see CaptureLoop::KeepTablesOnly).
#pragma once

#include <filesystem>
#include <string>

#include "graph/capture/CaptureReceiver.h"
#include "tables/collect/ChannelCollection.h"
#include "tables/poll/PollSections.h"

namespace graph {

struct CaptureTables {
  tuning::ChannelList channels;
  tables::ProgramTables program;
};

// Builds the graph of the prepared `receiver` and receives the capture twice
// into `out`. With a `dump` path the "TS Sink" writes the first pass (the
// whole transport stream) there. False with the one-line message in `error`.
bool ReceiveCaptureTables(CaptureReceiver& receiver, const std::filesystem::path& dump,
                          CaptureTables& out, std::string* error);

}  // namespace graph

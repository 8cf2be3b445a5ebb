#include "graph/capture/CaptureTables.h"

#include "graph/events/FilterMessages.h"

#include "common/Utf16.h"

namespace graph {
namespace {

// The capture is received twice: a scan pass and a watched pass.
constexpr std::uint64_t kPasses = 2;

// Puts the channel the program would return to after a scan (the first of
// the list) in front of the poll, as while it is watched.
void WatchFirstChannel(tuning::ChannelList& channels, tables::GraphTables& graph) {
  auto lock = channels.Acquire();
  if (tuning::ChannelNode* first = channels.First()) {
    graph.currentKey1 = first->key1();
    graph.currentKey2 = first->key2();
  }
}

}  // namespace

bool ReceiveCaptureTables(CaptureReceiver& receiver, const std::filesystem::path& dump,
                          CaptureTables& out, std::string* error) {
  // The second pass is for the tables alone.
  receiver.KeepTablesOnlyAfterFirstPass();
  if (!receiver.Build(error)) return false;
  IngestGraph& ingest = receiver.Ingest();
  if (!dump.empty()) {
    const std::u16string name = common::FromUtf8(dump.string());
    if (ingest.Dump()->SetFileName(name.c_str(), nullptr) != S_OK) {
      *error = "cannot write the dump file \"" + dump.string() + "\"";
      return false;
    }
  }

  tuning::ChannelList& channels = out.channels;
  tables::ProgramTables& program = out.program;
  program.channels = &channels;
  tables::GraphTables graph;
  receiver.Wire(graph);
  // A dump takes the whole transport stream past the tuner's PID filter;
  // without one, only the tables the poll maps reach the demultiplexer, as on
  // a tuner with a hardware filter, and the rest is dropped at the source.
  graph.recordTransportStream = !dump.empty();
  graph.scanRunning = receiver.Physical();

  // A failing filter (the dump on a full disk) posts a graph event; nothing
  // else reads the graph's events here, so each stop shows their messages.
  ComPtr<IMediaEvent> events;
  ingest.Graph()->QueryInterface(IID_PPV_ARGS(&events));

  // The poll runs at every stop, the first at stream time 0 (the fixed PIDs
  // go on).
  const bool ran = receiver.Run(
      [&](const GatePosition& position) {
        if (events) RaiseFilterFailures(*events.Get());
        tables::PollSections(program, graph);
        if (position.stop != GateStop::kPassEnd) return true;
        if (position.passes == 1) {
          // The scan's end: the dump holds one pass, the collection applies
          // PAT, PMT and SDT, and the first channel is watched.
          ingest.Dump()->SetFileName(nullptr, nullptr);
          tables::TableContext ctx{program.sections, channels, graph};
          tables::CollectChannels(ctx, receiver.Where());
          graph.scanRunning = 0;
          WatchFirstChannel(channels, graph);
        }
        return position.passes < kPasses;
      },
      error);
  receiver.TearDown();
  return ran;
}

}  // namespace graph

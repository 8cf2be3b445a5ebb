#include "tools/cli/psip/PsipRun.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "graph/events/FilterMessages.h"
#include "graph/ingest/IngestGraph.h"
#include "platform/com/HResult.h"
#include "tables/dump/TableDump.h"
#include "tables/guide/GuideStore.h"
#include "tables/poll/PollSections.h"
#include "tools/cli/psip/CaptureReceiver.h"
#include "tools/cli/psip/StreamGate.h"
#include "tuning/BandPlan.h"
#include "tuning/scan/ChannelCollection.h"

namespace psip {
namespace {

// The capture is received twice: a scan pass and a watched pass.
constexpr std::uint64_t kPasses = 2;

struct Options {
  std::filesystem::path capture;
  TuningText tuning{"", "", ""};
  std::filesystem::path dump;
  std::filesystem::path out;
  bool guide = false;
};

// Returns 0 when parsed, else the exit code after printing the usage.
int ParseOptions(std::span<const std::string> args, Options& o, std::FILE* err) {
  bool ok = true;
  for (std::size_t i = 0; i < args.size() && ok; ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--guide") {
      o.guide = true;
    } else if (a == "--map" && hasValue) {
      o.tuning.map = args[++i];
    } else if (a == "--physical" && hasValue) {
      o.tuning.physical = args[++i];
    } else if (a == "--modulation" && hasValue) {
      o.tuning.modulation = args[++i];
    } else if (a == "--dump" && hasValue) {
      o.dump = args[++i];
    } else if (a == "--out" && hasValue) {
      o.out = args[++i];
    } else if (!a.starts_with("--") && o.capture.empty()) {
      o.capture = a;
    } else {
      ok = false;
    }
  }
  if (!ok || o.capture.empty() || o.tuning.map.empty() || o.tuning.physical.empty() ||
      o.tuning.modulation.empty() || o.out.empty()) {
    std::fprintf(err, "usage: corvane-cli psip %s\n", kPsipUsage);
    return 2;
  }
  return 0;
}

int Fail(std::FILE* err, const std::string& message) {
  std::fprintf(err, "corvane-cli: %s\n", message.c_str());
  return 1;
}

// What the receiving found, for the listing.
struct Received {
  tuning::ChannelList channels;
  tables::ProgramTables program;
};

// Puts the channel the program would return to after a scan (the first of
// the list) in front of the poll, as while it is watched.
void WatchFirstChannel(tuning::ChannelList& channels, tables::GraphTables& graph) {
  auto lock = channels.Acquire();
  if (tuning::ChannelNode* first = channels.First()) {
    graph.currentKey1 = first->key1();
    graph.currentKey2 = first->key2();
  }
}

void PrintChannels(std::FILE* out, tuning::ChannelList& channels, bool guide) {
  auto lock = channels.Acquire();
  std::vector<std::pair<std::string, tuning::ChannelNode*>> items;
  for (auto& [key, node] : channels)
    items.emplace_back(tuning::ChannelTreeText(node.record), &node);
  // The tree keeps its items sorted by their text.
  std::sort(items.begin(), items.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [text, node] : items) {
    std::fprintf(out, "%s\n", text.c_str());
    if (!guide) continue;
    for (auto& [eventKey, event] : node->events) {
      const std::int64_t start = std::int64_t{event.start} + common::kGpsToUnixSeconds;
      std::fprintf(out, "  %s - %s  %s", common::TimeText(start).c_str(),
                   common::TimeText(start + event.duration).c_str(),
                   common::ToUtf8(common::FieldView(event.title)).c_str());
      const std::string rating(event.rating, strnlen(event.rating, sizeof event.rating));
      if (!rating.empty()) std::fprintf(out, "  [%s]", rating.c_str());
      std::fprintf(out, "\n");
      if (const tables::EventText* text = tables::FindEventText(*node, event))
        std::fprintf(out, "      %s\n", common::ToUtf8(text->text).c_str());
    }
  }
}

}  // namespace

int RunPsip(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  Options o;
  if (const int code = ParseOptions(args, o, err)) return code;

  CaptureReceiver receiver;
  std::string error;
  if (!receiver.Prepare(o.capture, o.tuning, &error)) return Fail(err, error);
  std::error_code ec;
  std::filesystem::create_directories(o.out, ec);
  if (!std::filesystem::is_directory(o.out))
    return Fail(err, "cannot create the folder \"" + o.out.string() + "\"");
  if (!receiver.Build(&error)) return Fail(err, error);
  graph::IngestGraph& ingest = receiver.Ingest();
  if (!o.dump.empty()) {
    const std::u16string name = common::FromUtf8(o.dump.string());
    if (ingest.Dump()->SetFileName(name.c_str(), nullptr) != S_OK)
      return Fail(err, "cannot write the dump file \"" + o.dump.string() + "\"");
  }

  auto received = std::make_unique<Received>();
  tuning::ChannelList& channels = received->channels;
  tables::ProgramTables& program = received->program;
  program.channels = &channels;
  tables::GraphTables graph;
  receiver.Wire(graph);
  // The whole transport stream passes the tuner's PID filter, as for a dump.
  graph.recordTransportStream = true;
  graph.scanRunning = receiver.Physical();

  // A failing filter (the dump on a full disk) posts a graph event; nothing
  // else reads the graph's events here, so each stop shows their messages.
  ComPtr<IMediaEvent> events;
  ingest.Graph()->QueryInterface(IID_PPV_ARGS(&events));

  // The poll runs at every stop, the first at stream time 0 (the fixed PIDs
  // go on).
  const bool ran = receiver.Run(
      [&](const GatePosition& position) {
        if (events) graph::RaiseFilterFailures(*events.Get());
        tables::PollSections(program, graph);
        if (position.stop != GateStop::kPassEnd) return true;
        if (position.passes == 1) {
          // The scan's end: the dump holds one pass, the collection applies
          // PAT, PMT and SDT, and the first channel is watched.
          ingest.Dump()->SetFileName(nullptr, nullptr);
          tables::TableContext ctx{program.sections, channels, graph};
          tuning::CollectChannels(ctx, receiver.Where());
          graph.scanRunning = 0;
          WatchFirstChannel(channels, graph);
        }
        return position.passes < kPasses;
      },
      &error);
  receiver.TearDown();
  if (!ran) return Fail(err, error);

  tables::DumpSectionStore(program.sections, o.out);
  tables::DumpGuide(channels, o.out);
  PrintChannels(out, channels, o.guide);
  return 0;
}

}  // namespace psip

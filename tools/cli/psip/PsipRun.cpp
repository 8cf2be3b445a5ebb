#include "tools/cli/psip/PsipRun.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "graph/ingest/IngestGraph.h"
#include "platform/bda/tuner/VirtualTuners.h"
#include "platform/bda/virtual/Broadcast.h"
#include "platform/com/HResult.h"
#include "tables/dump/TableDump.h"
#include "tables/guide/GuideStore.h"
#include "tables/poll/PollSections.h"
#include "tools/cli/psip/CaptureOnAir.h"
#include "tools/cli/psip/StreamGate.h"
#include "tuning/BandPlan.h"
#include "tuning/scan/ChannelCollection.h"

namespace psip {
namespace {

// Longest wait for the tuner to reach the next stop of the stream.
constexpr int kGateTimeoutMs = 20'000;
// The capture is received twice: a scan pass and a watched pass.
constexpr std::uint64_t kPasses = 2;

struct Options {
  std::filesystem::path capture;
  std::string map;
  std::string physical;
  std::string modulation;
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
      o.map = args[++i];
    } else if (a == "--physical" && hasValue) {
      o.physical = args[++i];
    } else if (a == "--modulation" && hasValue) {
      o.modulation = args[++i];
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
  if (!ok || o.capture.empty() || o.map.empty() || o.physical.empty() || o.modulation.empty() ||
      o.out.empty()) {
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

  std::error_code ec;
  if (!std::filesystem::is_regular_file(o.capture, ec))
    return Fail(err, "no capture file \"" + o.capture.string() + "\"");
  const auto map = ParseChannelMap(o.map);
  if (!map) return Fail(err, "unknown channel map \"" + o.map + "\"");
  const auto mode = ParseModulation(o.modulation);
  if (!mode) return Fail(err, "unknown modulation \"" + o.modulation + "\"");
  const auto physical = ParseInt(o.physical);
  const auto frequency = physical ? tuning::ResolveFrequency(*map, *physical) : std::nullopt;
  if (!frequency) {
    return Fail(err, "physical channel " + o.physical + " is outside the \"" +
                         tuning::ChannelMapName(*map) + "\" band plan");
  }
  std::string error;
  const auto capture = vtuner::Capture::Load(o.capture, &error);
  if (!capture) return Fail(err, error);
  if (capture->PacketCount() == 0)
    return Fail(err, "\"" + o.capture.string() + "\" holds no transport packets");
  std::filesystem::create_directories(o.out, ec);
  if (!std::filesystem::is_directory(o.out))
    return Fail(err, "cannot create the folder \"" + o.out.string() + "\"");

  const std::uint64_t hertz = std::uint64_t{frequency->frequency} * frequency->multiplier;
  auto gate = std::make_shared<StreamGate>(capture);
  ComPtr<IBaseFilter> tuner;
  HRESULT hr = bda::CreateVirtualTunerFilter(
      CaptureBroadcast(o.capture, *map, *physical, *mode, hertz, gate), IID_PPV_ARGS(&tuner));
  if (FAILED(hr)) return Fail(err, "cannot create the virtual tuner: " + com::ResultName(hr));

  graph::IngestGraph ingest;
  hr = ingest.Build(tuner.Get(), bda::VirtualTunerFriendlyName(1), &error);
  if (FAILED(hr)) return Fail(err, error);
  if (!o.dump.empty()) {
    const std::u16string name = common::FromUtf8(o.dump.string());
    hr = ingest.Dump()->SetFileName(name.c_str(), nullptr);
    if (hr != S_OK) return Fail(err, "cannot write the dump file \"" + o.dump.string() + "\"");
  }

  const auto locatorModulation = tuning::ModulationToLocator(*mode);
  hr = ingest.Provider()->Tune(*physical, *map, locatorModulation);
  if (FAILED(hr)) return Fail(err, "cannot tune: " + com::ResultName(hr));

  auto received = std::make_unique<Received>();
  tuning::ChannelList& channels = received->channels;
  tables::ProgramTables& program = received->program;
  program.channels = &channels;
  tables::GraphTables graph;
  graph.packetBuffer = ingest.PollBuffer();
  graph.networkProvider = ingest.PollProvider();
  graph.sectionPinPresent = true;
  // The whole transport stream passes the tuner's PID filter, as for a dump.
  graph.recordTransportStream = true;
  graph.scanRunning = *physical;

  hr = ingest.Run();
  if (FAILED(hr)) return Fail(err, "cannot run the graph: " + com::ResultName(hr));
  if (!gate->WaitAtGate(kGateTimeoutMs)) return Fail(err, "the tuner delivered nothing");
  tables::PollSections(program, graph);  // stream time 0: the fixed PIDs go on

  tables::SectionTag where;
  where.tuningSpace = static_cast<std::uint8_t>(*map);
  where.physical = static_cast<std::uint8_t>(*physical);
  where.modulation = locatorModulation;
  for (;;) {
    gate->Open();
    const auto position = gate->WaitAtGate(kGateTimeoutMs);
    if (!position) return Fail(err, "the tuner stopped delivering the capture");
    ingest.WaitUntilIdle();
    tables::PollSections(program, graph);
    if (position->stop != GateStop::kPassEnd) continue;
    if (position->passes == 1) {
      // The scan's end: the dump holds one pass, the collection applies
      // PAT, PMT and SDT, and the first channel is watched.
      ingest.Dump()->SetFileName(nullptr, nullptr);
      tables::TableContext ctx{program.sections, channels, graph};
      tuning::CollectChannels(ctx, where);
      graph.scanRunning = 0;
      WatchFirstChannel(channels, graph);
    }
    if (position->passes >= kPasses) break;
  }
  ingest.TearDown();

  tables::DumpSectionStore(program.sections, o.out);
  tables::DumpGuide(channels, o.out);
  PrintChannels(out, channels, o.guide);
  return 0;
}

}  // namespace psip

#include "tools/cli/scan/ScanRun.h"

#include <memory>
#include <optional>

#include "common/Utf16.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "tools/cli/psip/TuningText.h"
#include "tools/cli/scan/ScanDriver.h"
#include "tools/cli/session/ToolSession.h"
#include "tuning/ChannelText.h"

namespace cli {
namespace {

struct Options {
  std::string map;
  std::string modulation;
  std::string from;
  std::string to;
  bool slow = false;
  std::string instance;
  std::string tuner;
};

bool Parse(std::span<const std::string> args, Options& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--slow") {
      o.slow = true;
    } else if (a == "--map" && hasValue) {
      o.map = args[++i];
    } else if (a == "--modulation" && hasValue) {
      o.modulation = args[++i];
    } else if (a == "--from" && hasValue) {
      o.from = args[++i];
    } else if (a == "--to" && hasValue) {
      o.to = args[++i];
    } else if (a == "--instance" && hasValue) {
      o.instance = args[++i];
    } else if (a == "--tuner" && hasValue) {
      o.tuner = args[++i];
    } else {
      return false;
    }
  }
  return true;
}

int Fail(std::FILE* err, const std::string& message) {
  std::fprintf(err, "corvane-cli: %s\n", message.c_str());
  return 1;
}

// A physical channel of the range: `text` when given, else `fallback`.
std::optional<int> ChannelOf(const std::string& text, int fallback, tuning::ChannelMap map,
                             std::FILE* err) {
  if (text.empty()) return fallback;
  const std::optional<int> value = tuning::ParseDecimal(text);
  const tuning::ScanRangeResult range = tuning::ScanRange(map);
  if (!value || *value < range.first || *value > range.last) {
    std::fprintf(err, "corvane-cli: physical channel %s is outside \"%s\" (%d-%d)\n", text.c_str(),
                 tuning::ChannelMapName(map), range.first, range.last);
    return std::nullopt;
  }
  return value;
}

}  // namespace

int RunScan(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  Options o;
  if (!Parse(args, o)) {
    std::fprintf(err, "usage: corvane-cli scan %s\n", kScanUsage);
    return 2;
  }
  ToolSession session;
  std::string error;
  if (!session.Open(common::FromUtf8(o.instance), o.tuner, &error)) return Fail(err, error);

  // The band: as typed, else the settings' scan map and modulation.
  app::Settings& settings = session.Settings();
  if (!o.map.empty()) {
    const auto map = ParseChannelMap(o.map);
    if (!map) return Fail(err, "unknown channel map \"" + o.map + "\"");
    settings.scanChannelMap = *map;
  }
  if (!o.modulation.empty()) {
    const auto mode = ParseModulation(o.modulation);
    if (!mode) return Fail(err, "unknown modulation \"" + o.modulation + "\"");
    settings.scanModulation = *mode;
  }
  const tuning::ChannelMap map = settings.scanChannelMap;
  const tuning::ModulationMask mode = settings.scanModulation;
  const tuning::ScanRangeResult range = tuning::ScanRange(map);
  if (range.last < range.first) return Fail(err, "unknown channel map " + std::to_string(map));
  const auto first = ChannelOf(o.from, range.first, map, err);
  const auto last = ChannelOf(o.to, range.last, map, err);
  if (!first || !last) return 1;

  ScanDriver driver(session, map, mode, out, err);
  auto graph = std::make_unique<graph::CBDAFilterGraph>(session.ConfigOfFirstTuner(),
                                                        session.Services(&driver));
  driver.Attach(graph.get());
  // The live tuner graph: the scan needs no buffer.
  const HRESULT hr = graph->RequestGraphState(16, 0);
  if (FAILED(hr)) return Fail(err, "the tuner graph did not start");
  std::fprintf(out, "Scanning \"%s\", %s, physical channels %d-%d%s on %s\n",
               tuning::ChannelMapName(map), tuning::ModulationName(mode), *first, *last,
               o.slow ? " (slow)" : "",
               common::ToUtf8(session.ConfigOfFirstTuner().friendlyName).c_str());
  driver.Run(static_cast<std::uint8_t>(*first), static_cast<std::uint8_t>(*last), o.slow);

  const tuning::ChannelLocator current = graph->CurrentChannel();
  graph.reset();
  if (!session.Save(current)) return Fail(err, session.SaveError());
  PrintChannelTree(out, session.Channels());
  return 0;
}

}  // namespace cli

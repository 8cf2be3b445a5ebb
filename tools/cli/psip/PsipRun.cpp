#include "tools/cli/psip/PsipRun.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "graph/capture/CaptureTables.h"
#include "tables/collect/ChannelCollection.h"
#include "tables/dump/TableDump.h"
#include "tables/guide/GuideStore.h"
#include "tools/cli/psip/TuningText.h"

namespace cli {
namespace {

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

void PrintChannels(std::FILE* out, tuning::ChannelList& channels, bool guide) {
  auto lock = channels.Acquire();
  std::vector<std::pair<std::string, tuning::ChannelNode*>> items;
  for (auto& [key, node] : channels)
    items.emplace_back(tables::ChannelTreeText(node.record), &node);
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

  graph::CaptureReceiver receiver;
  std::string error;
  if (!PrepareCapture(receiver, o.capture, o.tuning, &error)) return Fail(err, error);
  std::error_code ec;
  std::filesystem::create_directories(o.out, ec);
  if (!std::filesystem::is_directory(o.out))
    return Fail(err, "cannot create the folder \"" + o.out.string() + "\"");
  auto received = std::make_unique<graph::CaptureTables>();
  if (!graph::ReceiveCaptureTables(receiver, o.dump, *received, &error)) return Fail(err, error);

  tables::DumpSectionStore(received->program.sections, o.out);
  if (const std::error_code guide = tables::DumpGuide(received->channels, o.out)) {
    return Fail(err, "cannot write \"" + (o.out / "Guide.txt").string() + "\": " + guide.message());
  }
  PrintChannels(out, received->channels, o.guide);
  return 0;
}

}  // namespace cli

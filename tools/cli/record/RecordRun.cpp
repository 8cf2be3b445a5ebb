#include "tools/cli/record/RecordRun.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>

#include "common/Utf16.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "tools/cli/scan/ScanDriver.h"
#include "tools/cli/session/ToolSession.h"
#include "tuning/ChannelText.h"

namespace cli {
namespace {

std::atomic<bool> gStop{false};

void OnSignal(int) {
  gStop = true;
}

struct Options {
  std::string channel;
  int minutes = 0;
  std::string title = "Manual Record";
  std::string instance;
  std::string tuner;
};

bool Parse(std::span<const std::string> args, Options& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--minutes" && hasValue) {
      const auto minutes = tuning::ParseDecimal(args[++i]);
      if (!minutes || *minutes <= 0 || *minutes > 24 * 60) return false;
      o.minutes = *minutes;
    } else if (a == "--title" && hasValue) {
      o.title = args[++i];
    } else if (a == "--instance" && hasValue) {
      o.instance = args[++i];
    } else if (a == "--tuner" && hasValue) {
      o.tuner = args[++i];
    } else if (!a.starts_with("--") && o.channel.empty()) {
      o.channel = a;
    } else {
      return false;
    }
  }
  return !o.channel.empty() && o.minutes > 0;
}

int Fail(std::FILE* err, const std::string& message) {
  std::fprintf(err, "corvane-cli: %s\n", message.c_str());
  return 1;
}

}  // namespace

int RunRecord(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  Options o;
  if (!Parse(args, o)) {
    std::fprintf(err, "usage: corvane-cli record %s\n", kRecordUsage);
    return 2;
  }
  ToolSession session;
  std::string error;
  if (!session.Open(common::FromUtf8(o.instance), o.tuner, &error)) return Fail(err, error);
  const app::Settings& settings = session.Settings();
  const auto channel = tuning::ResolveChannelText(o.channel, session.Channels(),
                                                  settings.scanChannelMap, settings.scanModulation);
  if (!channel) return Fail(err, "no channel \"" + o.channel + "\"");

  ScanDriver target(session, channel->channelMap, settings.scanModulation, out, err);
  graph::GraphConfig config = session.ConfigOfFirstTuner();
  config.currentChannel = *channel;
  auto graph = std::make_unique<graph::CBDAFilterGraph>(config, session.Services(&target));
  target.Attach(graph.get());
  graph->SetRecordingTitle(common::FromUtf8(o.title));
  graph->SetRecordingOrigin(1);
  // An unpaced stream waits for the recording and stops at its end, so that
  // the recording holds the minutes asked for from the tune's first packet,
  // not what the racing stream delivered before the file opened or before
  // the graph stopped.
  session.HoldUnpacedStreamAt(0);
  // The tuner graph is built, run on the channel and recorded in one step.
  if (FAILED(graph->RequestGraphState(48, 0))) return Fail(err, "the recording did not start");
  const std::filesystem::path file = graph->RecordingPath();
  std::fprintf(out, "Recording %s into \"%s\" for %d minute%s\n", o.channel.c_str(),
               file.string().c_str(), o.minutes, o.minutes == 1 ? "" : "s");
  std::fflush(out);

  // Interrupted, the recording stops as at its end: the file stays playable.
  gStop = false;
  auto oldInt = std::signal(SIGINT, OnSignal);
  auto oldTerm = std::signal(SIGTERM, OnSignal);
  const bool paced = TunerPaced(*graph);
  const auto start = std::chrono::steady_clock::now();
  const std::int64_t seconds = std::int64_t{o.minutes} * 60;
  session.HoldUnpacedStreamAt(seconds);
  std::int64_t second = 0;
  // The graph ends a recording whose file cannot be written and says why.
  const auto recording = [&] { return graph->Tuner() == graph::TunerState::kTunerRecording; };
  while (second < seconds && !gStop && recording()) {
    RunUntilStreamSecond(*graph, paced, ++second, start);
  }
  const bool cutShort = !recording();
  std::signal(SIGINT, oldInt);
  std::signal(SIGTERM, oldTerm);

  const HRESULT stopped = graph->RequestGraphState(0, 0);
  graph.reset();
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(file, ec);
  std::fprintf(out, "%s after %lld s: %llu bytes\n",
               cutShort ? "Cut short" : (gStop ? "Stopped" : "Finished"),
               static_cast<long long>(second), static_cast<unsigned long long>(ec ? 0 : bytes));
  return FAILED(stopped) || cutShort ? 1 : 0;
}

}  // namespace cli

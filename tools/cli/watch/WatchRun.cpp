#include "tools/cli/watch/WatchRun.h"

#include <chrono>
#include <cinttypes>
#include <memory>
#include <thread>

#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "graph/player/PlayerGraph.h"
#include "tables/guide/GuideStore.h"
#include "tools/cli/play/Decoding.h"
#include "tools/cli/scan/ScanDriver.h"
#include "tools/cli/session/ToolSession.h"
#include "tuning/ChannelChange.h"
#include "tuning/ChannelText.h"

namespace cli {
namespace {

constexpr std::chrono::milliseconds kTuneWait{10'000};

struct Options {
  std::string channel;
  int seconds = 5;
  std::string instance;
  std::string tuner;
  bool decode = false;
  bool captions = false;
};

bool Parse(std::span<const std::string> args, Options& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--seconds" && hasValue) {
      const auto seconds = tuning::ParseDecimal(args[++i]);
      if (!seconds) return false;
      o.seconds = *seconds;
    } else if (a == "--instance" && hasValue) {
      o.instance = args[++i];
    } else if (a == "--tuner" && hasValue) {
      o.tuner = args[++i];
    } else if (a == "--decode") {
      o.decode = true;
    } else if (a == "--captions") {
      o.captions = true;
    } else if (!a.starts_with("--") && o.channel.empty()) {
      o.channel = a;
    } else {
      return false;
    }
  }
  return !o.captions || o.decode;
}

int Fail(std::FILE* err, const std::string& message) {
  std::fprintf(err, "corvane-cli: %s\n", message.c_str());
  return 1;
}

// The channel's name in the list, empty when the list does not hold it.
std::string NameOf(tuning::ChannelList& channels, const tuning::ChannelLocator& locator) {
  auto lock = channels.Acquire();
  for (auto& [key, node] : channels) {
    if (node.record.locator.key1 == locator.key1 && node.record.locator.key2 == locator.key2)
      return common::ToUtf8(common::FieldView(node.record.name));
  }
  return {};
}

// "5.5", or "P31" for a physical channel tuned without a number.
std::string NumberText(const tuning::ChannelLocator& channel) {
  if (channel.major() == tuning::kNoNumber) return "P" + std::to_string(channel.physical());
  return std::to_string(channel.major()) + "." + std::to_string(channel.minor());
}

void PrintNowPlaying(std::FILE* out, ToolSession& session, graph::CBDAFilterGraph& graph,
                     const tuning::ChannelLocator& channel, int second) {
  tables::NowPlayingInfo info;
  tables::BuildNowPlaying(session.Channels(), info, channel.key1, channel.key2,
                          graph.SignalQuality(), common::NowUtc());
  std::fprintf(out, "%3ds  %s %-8s %-20s %-40s (%d sections)\n", second,
               NumberText(channel).c_str(),
               common::ToUtf8(common::FieldView(info.shortName)).c_str(),
               common::ToUtf8(common::FieldView(info.timeLine)).c_str(),
               common::ToUtf8(common::FieldView(info.title)).c_str(), graph.Tables().sectionCount);
  std::fflush(out);
}

}  // namespace

int RunWatch(std::span<const std::string> args, std::FILE* out, std::FILE* err) {
  Options o;
  if (!Parse(args, o)) {
    std::fprintf(err, "usage: corvane-cli watch %s\n", kWatchUsage);
    return 2;
  }
  ToolSession session;
  std::string error;
  if (!session.Open(common::FromUtf8(o.instance), o.tuner, &error)) return Fail(err, error);
  app::Settings& settings = session.Settings();

  tuning::ChannelLocator channel = settings.currentChannel;
  const tuning::ChannelMap map = settings.scanChannelMap;
  const tuning::ModulationMask mode = settings.scanModulation;
  if (!o.channel.empty()) {
    const auto typed = tuning::ResolveChannelText(o.channel, session.Channels(), map, mode);
    if (!typed)
      return Fail(err,
                  "no channel \"" + o.channel + "\" on \"" + tuning::ChannelMapName(map) + "\"");
    channel = *typed;
  }

  ScanDriver driver(session, channel.channelMap,
                    tuning::ModulationFromLocator(channel.channelMap, channel.modulation), out,
                    err);
  graph::GraphConfig config = session.ConfigOfFirstTuner();
  config.currentChannel = channel;
  // The player outlives the graph manager, which takes it down.
  graph::VideoWindowState window;
  graph::PlayerGraph player(window);
  CaptionLines captions(out);
  graph::GraphServices services = session.Services(&driver);
  if (o.decode) {
    const app::TunerManager& m = session.Manager();
    player.SetOptions(HeadlessPlayerOptions(std::u16string(common::FieldView(m.videoDecoder)),
                                            std::u16string(common::FieldView(m.audioDecoder)), true,
                                            o.captions));
    services.player = &player;
  }
  auto graph = std::make_unique<graph::CBDAFilterGraph>(config, services);
  driver.Attach(graph.get());
  // The buffered tuner graph, as the program builds it to show live video.
  if (FAILED(graph->RequestGraphState(32, 0))) return Fail(err, "the tuner graph did not start");

  // A first start knows no channels: as the program opens its "Channels"
  // dialog then, the channel's physical channel is scanned first.
  bool empty = false;
  {
    auto lock = session.Channels().Acquire();
    empty = session.Channels().size() == 0;
  }
  if (empty) {
    std::fprintf(out, "The channel list is empty: scanning physical channel %u first.\n",
                 channel.physical());
    driver.Run(channel.physical(), channel.physical(), false);
    if (channel.major() == 0) channel = graph->CurrentChannel();
  }

  const auto frequency = tuning::ResolveFrequency(channel.channelMap, channel.physical());
  if (!frequency) {
    return Fail(err, "channel " + std::to_string(channel.physical()) + " is outside \"" +
                         tuning::ChannelMapName(channel.channelMap) + "\"");
  }
  const bool paced = TunerPaced(*graph);
  std::fprintf(
      out, "Tuning %s %s (%s physical channel %u, %" PRIu64 " Hz, %s)%s\n",
      NumberText(channel).c_str(), NameOf(session.Channels(), channel).c_str(),
      tuning::ChannelMapName(channel.channelMap), channel.physical(),
      std::uint64_t{frequency->frequency} * frequency->multiplier,
      tuning::ModulationName(tuning::ModulationFromLocator(channel.channelMap, channel.modulation)),
      paced ? ", paced in real time" : "");
  graph->TuneRequest(channel, true);
  if (!driver.WaitForTune(channel.physical(), kTuneWait))
    return Fail(err, "the tuner did not answer");
  if (!graph->SignalLocked()) {
    std::fprintf(out, "No signal.\n");
    return 1;
  }
  graph->MonitorTick();
  std::fprintf(out, "Locked, signal quality %d%%\n", graph->SignalQuality());
  // Live viewing: the time-shift player over the buffer, at the live position.
  if (o.decode && FAILED(graph->RequestGraphState(32, 2)))
    return Fail(err, "the player did not start");
  if (o.captions && !captions.Watch(player)) return Fail(err, "no caption path: no captions");

  const auto start = std::chrono::steady_clock::now();
  for (int second = 1; second <= o.seconds; ++second) {
    RunUntilStreamSecond(*graph, paced, second, start);
    PrintNowPlaying(out, session, *graph, channel, second);
  }
  if (o.decode) PrintDecoding(out, player);
  graph.reset();
  if (!session.Save(channel)) return Fail(err, session.SaveError());
  return 0;
}

}  // namespace cli

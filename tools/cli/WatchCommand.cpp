// "watch": tunes the settings' current channel on a tuner (the first virtual
// tuner, or the one "--tuner NAME" names), collects the broadcast tables as the
// program does while a channel is watched, and shows once a second (of stream
// time) what is on the air.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>

#include "app/CommandLine.h"
#include "app/SettingsDefaults.h"
#include "app/SettingsFile.h"
#include "common/TimeBase.h"
#include "common/Utf16.h"
#include "graph/live/LiveChain.h"
#include "tables/guide/GuideStore.h"
#include "tables/poll/PollSections.h"
#include "tools/cli/CliCommand.h"
#include "tools/cli/TunerChoice.h"
#include "tuning/BandPlan.h"

namespace cli {
namespace {

void PrintNowPlaying(tuning::ChannelList& channels, const tuning::ChannelLocator& channel,
                     int second, int sections, int quality) {
  tables::NowPlayingInfo info;
  tables::BuildNowPlaying(channels, info, channel.key1, channel.key2, quality, common::NowUtc());
  std::printf("%3ds  %u.%u %-8s %-20s %-40s (%d sections)\n", second, channel.major(),
              channel.minor(), common::ToUtf8(common::FieldView(info.shortName)).c_str(),
              common::ToUtf8(common::FieldView(info.timeLine)).c_str(),
              common::ToUtf8(common::FieldView(info.title)).c_str(), sections);
}

int Watch(Args given) {
  std::vector<std::string> args(given.begin(), given.end());
  std::string tunerName;
  const bool tunerOk = TakeTunerOption(args, &tunerName);
  int seconds = 5;
  if (tunerOk && args.size() == 2 && args[0] == "--seconds") {
    seconds = std::atoi(args[1].c_str());
  } else if (!tunerOk || !args.empty()) {
    std::fprintf(stderr, "usage: corvane-cli watch [--seconds N] [--tuner NAME]\n");
    return 2;
  }
  // The channel the program would start on.
  auto manager = std::make_unique<app::TunerManager>();
  tuning::ChannelList channels;
  app::SetDefaults(manager->settings);
  const std::filesystem::path data = app::FindDataFolder(u"");
  if (!data.empty()) {
    app::SettingsFile file(data / app::kSettingsFileName, *manager, channels);
    file.LoadSettingsFile();
  }
  const tuning::ChannelLocator channel = manager->settings.currentChannel;
  const tuning::ModulationMask mode =
      tuning::ModulationFromLocator(channel.channelMap, channel.modulation);
  const auto frequency = tuning::ResolveFrequency(channel.channelMap, channel.physical());
  if (!frequency) {
    std::fprintf(stderr, "corvane-cli: channel %u of \"%s\" is outside its band plan\n",
                 channel.physical(), tuning::ChannelMapName(channel.channelMap));
    return 1;
  }

  std::string error;
  std::unique_ptr<CliTuner> opened = OpenTuner(tunerName, &error);
  if (!opened) {
    std::fprintf(stderr, "corvane-cli: %s\n", error.c_str());
    return 1;
  }
  CliTuner& tuner = *opened;
  const std::uint64_t hertz = std::uint64_t{frequency->frequency} * frequency->multiplier;
  std::printf("Tuning %s channel %u (%" PRIu64 " Hz, %s)%s\n",
              tuning::ChannelMapName(channel.channelMap), channel.physical(), hertz,
              tuning::ModulationName(mode), tuner.Paced() ? ", paced in real time" : "");
  if (!tuner.Tune(*frequency, mode)) {
    std::printf("No signal. %s\n", tuner.LastError().c_str());
    return 1;
  }
  std::printf("Locked, signal quality %d%%\n", tuner.Quality());

  tables::SectionStore store;
  tables::GraphTables graph;
  tables::TableContext ctx{store, channels, graph};
  tables::SectionTag tag;
  tag.tuningSpace = static_cast<std::uint8_t>(channel.channelMap);
  tag.physical = channel.physical();
  tag.modulation = static_cast<std::uint16_t>(mode);
  graph::LiveChain chain(ctx, tag);

  // Seconds are counted in stream time, from the programme clock references;
  // the tuner paces reads in real time unless pacing is off. Channels are
  // collected from the VCT as during a scan, so a first start shows them too.
  graph.scanRunning = channel.physical();
  for (int second = 1; second <= seconds; ++second) {
    chain.RunSecond(second, [&tuner](std::span<std::uint8_t> out) { return tuner.Read(out); });
    PrintNowPlaying(channels, channel, second, chain.Sections(), tuner.Quality());
  }
  return 0;
}

const CommandRegistration kWatch({"watch", "[--seconds N] [--tuner NAME]",
                                  "receive the current channel on a tuner", Watch});

}  // namespace
}  // namespace cli

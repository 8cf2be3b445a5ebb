// "watch": tunes the settings' current channel on a virtual tuner, collects the
// broadcast tables as the program does while a channel is watched, and shows
// once a second (of stream time) what is on the air.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/CommandLine.h"
#include "app/SettingsDefaults.h"
#include "app/SettingsFile.h"
#include "common/TimeBase.h"
#include "common/TsConstants.h"
#include "common/Utf16.h"
#include "demux/TsDemuxer.h"
#include "platform/bda/virtual/VirtualTuner.h"
#include "tables/guide/GuideStore.h"
#include "tables/poll/PollSections.h"
#include "tables/sections/Dispatch.h"
#include "tables/sections/SectionRules.h"
#include "tools/broadcast/tuner/OnTheAir.h"
#include "tools/cli/CliCommand.h"
#include "tuning/BandPlan.h"

namespace cli {
namespace {

constexpr std::uint32_t kFixedPids[] = {
    common::kPatPid, common::kPsipBasePid, common::kScteSiBasePid, common::kNitPid,
    common::kSdtPid, common::kDvbEitPid,   common::kRstPid,        common::kTdtPid};

// Applies the section buffer's rules to each delivered section and files it
// with the tuning tag, as the section buffer and the poll do together.
class SectionCollector : public demux::OutputSink {
 public:
  SectionCollector(tables::TableContext& ctx, tables::SectionTag tag) : ctx_(ctx), tag_(tag) {}
  void Deliver(const demux::Sample& sample) override {
    if (!tables::AcceptReceivedSection(sample.data, sample.pid)) return;
    tables::SectionTag tag = tag_;
    tag.pid = sample.pid;
    tables::DispatchSection(ctx_, sample.data, tag);
    ++sections_;
  }
  int sections() const { return sections_; }

 private:
  tables::TableContext& ctx_;
  tables::SectionTag tag_;
  int sections_ = 0;
};

void PrintNowPlaying(tuning::ChannelList& channels, const tuning::ChannelLocator& channel,
                     int second, int sections, int quality) {
  tables::NowPlayingInfo info;
  tables::BuildNowPlaying(channels, info, channel.key1, channel.key2, quality, common::NowUtc());
  std::printf("%3ds  %u.%u %-8s %-20s %-40s (%d sections)\n", second, channel.major(),
              channel.minor(), common::ToUtf8(common::FieldView(info.shortName)).c_str(),
              common::ToUtf8(common::FieldView(info.timeLine)).c_str(),
              common::ToUtf8(common::FieldView(info.title)).c_str(), sections);
}

int Watch(Args args) {
  int seconds = 5;
  if (args.size() == 2 && args[0] == "--seconds") {
    seconds = std::atoi(args[1].c_str());
  } else if (!args.empty()) {
    std::fprintf(stderr, "usage: corvane-cli watch [--seconds N]\n");
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
  auto on = broadcast::LoadBroadcast(&error);
  if (!on) {
    std::fprintf(stderr, "corvane-cli: %s\n", error.c_str());
    return 1;
  }
  vtuner::VirtualTuner tuner(on);
  const std::uint64_t hertz = std::uint64_t{frequency->frequency} * frequency->multiplier;
  std::printf("Tuning %s channel %u (%" PRIu64 " Hz, %s)%s\n",
              tuning::ChannelMapName(channel.channelMap), channel.physical(), hertz,
              tuning::ModulationName(mode), tuner.Paced() ? ", paced in real time" : "");
  if (!tuner.Tune(hertz, tuning::FamilyOf(mode))) {
    std::printf("No signal. %s\n", tuner.LastError().c_str());
    return 1;
  }
  std::printf("Locked, signal quality %d%%\n", tuner.Statistics().quality);

  tables::SectionStore store;
  tables::GraphTables graph;
  tables::TableContext ctx{store, channels, graph};
  tables::SectionTag tag;
  tag.tuningSpace = static_cast<std::uint8_t>(channel.channelMap);
  tag.physical = channel.physical();
  tag.modulation = static_cast<std::uint16_t>(mode);
  SectionCollector collector(ctx, tag);
  demux::TsDemuxer demuxer;
  demux::OutputId output = 0;
  demuxer.CreateOutput({}, &collector, &output);
  demuxer.MapPids(output, kFixedPids, demux::MediaSampleContent::Mpeg2Psi);

  // Seconds are counted in stream time, from the programme clock references;
  // the tuner paces reads in real time unless pacing is off. Channels are
  // collected from the VCT as during a scan, so a first start shows them too.
  graph.scanRunning = channel.physical();
  std::vector<std::uint8_t> buffer(common::kPacketSize * 256);
  std::int64_t firstTime = -1;
  constexpr std::size_t kMaxBytesPerSecond = 8 << 20;  // a stream without clock references
  for (int second = 1; second <= seconds; ++second) {
    std::size_t read = 0;
    while (read < kMaxBytesPerSecond) {
      const std::size_t n = tuner.Read(buffer);
      if (n == 0) break;
      demuxer.Ingest(std::span(buffer).first(n));
      read += n;
      const demux::ClockEstimate clock = demuxer.Clock();
      if (!clock.valid) continue;
      if (firstTime < 0) firstTime = clock.streamTime;
      if (clock.streamTime - firstTime >= second * common::kUnitsPerSecond) break;
    }
    // The PIDs the tables asked for (PMTs from the PAT, EIT/ETT from the MGT).
    std::vector<std::uint32_t> listed;
    {
      std::lock_guard lock(graph.psiPids.lock);
      for (const auto& [key, entry] : graph.psiPids.entries)
        listed.push_back(entry.pid);
    }
    if (!listed.empty()) demuxer.MapPids(output, listed, demux::MediaSampleContent::Mpeg2Psi);
    PrintNowPlaying(channels, channel, second, collector.sections(), tuner.Statistics().quality);
  }
  return 0;
}

const CommandRegistration kWatch({"watch", "[--seconds N]",
                                  "receive the current channel on the virtual tuner", Watch});

}  // namespace
}  // namespace cli

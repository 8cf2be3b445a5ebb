// "settings show" and "settings roundtrip".
#include <cinttypes>
#include <cstdio>
#include <memory>

#include "app/SettingsDefaults.h"
#include "app/SettingsFile.h"
#include "common/Utf16.h"
#include "platform/com/Guid.h"
#include "tools/cli/CliCommand.h"
#include "tuning/BandPlan.h"

namespace cli {
namespace {

std::string Text(std::span<const char16_t> field) {
  return common::ToUtf8(common::FieldView(field));
}

std::string LocatorText(const tuning::ChannelLocator& l) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%u.%u physical %u %s %s", l.major(), l.minor(), l.physical(),
                tuning::ChannelMapName(l.channelMap),
                tuning::ModulationName(tuning::ModulationFromLocator(l.channelMap, l.modulation)));
  return buf;
}

void PrintOptions(const app::Settings& s) {
  std::printf("Options:\n");
  std::printf("  currentChannel        %s\n", LocatorText(s.currentChannel).c_str());
  std::printf("  recordFormat          %u (%s)\n", s.recordFormat,
              s.recordFormat == 0 ? ".mpg MPEG-2 Program Stream" : ".dvr-ms");
  std::printf("  recordTransportStream %u\n", s.recordTransportStream);
  std::printf("  muted                 %u\n", s.muted);
  std::printf("  scanFlags             0x%X\n", s.scanFlags);
  std::printf("  backgroundGuideScan   %u\n", s.backgroundGuideScan);
  std::printf("  videoRenderer         %u\n", s.videoRenderer);
  std::printf("  showAllVideoDecoders  %u\n", s.showAllVideoDecoders);
  std::printf("  showAllAudioDecoders  %u\n", s.showAllAudioDecoders);
  std::printf("  overscan              left %u right %u top %u bottom %u\n", s.overscanLeft,
              s.overscanRight, s.overscanTop, s.overscanBottom);
  std::printf("  volume                %d\n", s.volume);
  std::printf("  fullScreen            %u\n", s.fullScreen);
  std::printf("  windowMode            %u\n", s.windowMode);
  std::printf("  scanChannelMap        %u (%s)\n", s.scanChannelMap,
              tuning::ChannelMapName(s.scanChannelMap));
  std::printf("  scanModulation        0x%X (%s)\n", s.scanModulation,
              tuning::ModulationName(s.scanModulation));
  std::printf("  viewFlags             0x%X\n", s.viewFlags);
  const auto& p = s.windowPlacement;
  std::printf("  windowPlacement       show %u normal (%d,%d)-(%d,%d)\n", p.showCmd, p.left, p.top,
              p.right, p.bottom);
  std::printf("  recordFolder          \"%s\"\n", Text(s.recordFolder).c_str());
  std::printf("  bufferFolder          \"%s\"\n", Text(s.bufferFolder).c_str());
}

void PrintChannels(tuning::ChannelList& channels) {
  auto lock = channels.Acquire();
  std::printf("Channels (%zu):\n", channels.size());
  for (tuning::ChannelNode* n = channels.First(); n; n = channels.Next()) {
    const tuning::ChannelRecord& r = n->record;
    std::printf(
        "  %-10s %-15s physical %3u %-16s %-12s video 0x%04X/0x%02X audio 0x%04X/0x%02X "
        "pcr 0x%04X source 0x%04X tsid 0x%04X program %u%s%s%s%s\n",
        (std::to_string(r.locator.major()) + "." + std::to_string(r.locator.minor())).c_str(),
        Text(r.name).c_str(), r.locator.physical(), tuning::ChannelMapName(r.locator.channelMap),
        tuning::ModulationName(
            tuning::ModulationFromLocator(r.locator.channelMap, r.locator.modulation)),
        static_cast<unsigned>(r.videoPid) & 0xFFFF, r.videoStreamType,
        static_cast<unsigned>(r.audioPid) & 0xFFFF, r.audioStreamType,
        static_cast<unsigned>(r.pcrPid) & 0xFFFF, r.sourceId, r.transportStreamId, r.programNumber,
        r.enabled ? " enabled" : " disabled", r.hidden ? " hidden" : "",
        r.hideGuide ? " hide-guide" : "", r.fromCableVct ? " cable" : "");
  }
}

// Loads a settings file over the defaults as the program does.
struct Loaded {
  std::unique_ptr<app::TunerManager> manager = std::make_unique<app::TunerManager>();
  tuning::ChannelList channels;
  app::LoadOutcome outcome = app::LoadOutcome::kMissing;
};

std::unique_ptr<Loaded> Load(const std::string& path) {
  auto loaded = std::make_unique<Loaded>();
  app::SetDefaults(loaded->manager->settings);
  app::SettingsFile file(path, *loaded->manager, loaded->channels);
  file.LoadSettingsFile();
  loaded->outcome = file.lastLoad();
  return loaded;
}

}  // namespace

namespace {

int SettingsShow(Args args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: corvane-cli settings show FILE\n");
    return 2;
  }
  auto loaded = Load(args[0]);
  if (loaded->outcome == app::LoadOutcome::kMissing) {
    std::fprintf(stderr, "corvane-cli: cannot open \"%s\"\n", args[0].c_str());
    return 2;
  }
  const app::TunerManager& m = *loaded->manager;
  PrintOptions(m.settings);
  std::printf("Tuners (%u):\n", m.tunerCount);
  for (std::uint32_t i = 0; i < m.tunerCount; ++i) {
    std::printf("  [%u] \"%s\" device \"%s\" locator %s\n", i,
                Text(m.tuners[i].friendlyName).c_str(), Text(m.tuners[i].devicePath).c_str(),
                LocatorText(m.tuners[i].locator).c_str());
  }
  std::printf("Video decoder: \"%s\"\n", Text(m.videoDecoder).c_str());
  std::printf("Audio decoder: \"%s\"\n", Text(m.audioDecoder).c_str());
  PrintChannels(loaded->channels);
  std::printf("Timers (%d):\n", m.timers.count());
  for (const recording::TimerRecord& t : m.timers) {
    std::printf("  %s  [%s]\n", recording::TimerText(t).c_str(),
                com::FormatGuid(t.identity).c_str());
  }
  return loaded->outcome == app::LoadOutcome::kClean ? 0 : 1;
}

int SettingsRoundtrip(Args args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: corvane-cli settings roundtrip IN OUT\n");
    return 2;
  }
  auto loaded = Load(args[0]);
  if (loaded->outcome == app::LoadOutcome::kMissing) {
    std::fprintf(stderr, "corvane-cli: cannot open \"%s\"\n", args[0].c_str());
    return 2;
  }
  app::SettingsFile out(args[1], *loaded->manager, loaded->channels);
  if (!out.SaveSettingsFile()) {
    std::fprintf(stderr, "corvane-cli: %s\n", out.SaveError().c_str());
    return 2;
  }
  return loaded->outcome == app::LoadOutcome::kClean ? 0 : 1;
}

const CommandRegistration kShow({"settings show", "FILE", "the whole settings file as text",
                                 SettingsShow});
const CommandRegistration kRoundtrip({"settings roundtrip", "IN OUT",
                                      "load IN and save it as OUT as the program does",
                                      SettingsRoundtrip});

}  // namespace
}  // namespace cli

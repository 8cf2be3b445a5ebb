// "status": where the program keeps its data, what its settings file holds,
// and the band plans it tunes.
#include <cstdio>
#include <filesystem>

#include "app/CommandLine.h"
#include "app/SettingsDefaults.h"
#include "app/SettingsFile.h"
#include "common/Utf16.h"
#include "tools/cli/CliCommand.h"
#include "tuning/BandPlan.h"

namespace cli {

namespace {

int Status(Args args) {
  std::u16string instance;
  if (args.size() == 2 && args[0] == "--instance") instance = common::FromUtf8(args[1]);
  std::printf("%s\n", common::ToUtf8(app::WindowTitle(instance)).c_str());
  const std::filesystem::path data = app::FindDataFolder(instance);
  if (data.empty()) return 1;
  std::printf("Data folder: %s\n", data.c_str());

  auto manager = std::make_unique<app::TunerManager>();
  tuning::ChannelList channels;
  app::SetDefaults(manager->settings);
  app::SettingsFile file(data / app::kSettingsFileName, *manager, channels);
  if (file.LoadSettingsFile() != 0) {
    std::printf("Settings file: none yet (%s)\n", file.path().c_str());
  } else {
    std::printf("Settings file: %s (%s): %zu channels, %u tuners, %d timers\n", file.path().c_str(),
                file.lastLoad() == app::LoadOutcome::kClean ? "read cleanly" : "damaged",
                channels.size(), manager->tunerCount, manager->timers.count());
    const tuning::ChannelLocator& current = manager->settings.currentChannel;
    if (current.major() != tuning::kNoNumber && current.minor() != tuning::kNoNumber) {
      std::printf("Current channel: %u.%u\n", current.major(), current.minor());
    } else if (current.physical() != 0) {
      std::printf("Current channel: physical %u\n", current.physical());
    }
    std::printf("Volume: %d of 20%s\n", manager->settings.volume,
                manager->settings.muted != 0 ? ", muted" : "");
  }

  std::printf("\nBand plans:\n");
  for (tuning::ChannelMap map = 0; map <= tuning::kAntennaTw; ++map) {
    const auto range = tuning::ScanRange(map);
    const auto first = tuning::ResolveFrequency(map, range.first);
    const auto last = tuning::ResolveFrequency(map, range.last);
    std::printf("  %u %-17s channels %3d-%3d  %10llu Hz - %10llu Hz\n", map,
                tuning::ChannelMapName(map), range.first, range.last,
                static_cast<unsigned long long>(first->frequency) * first->multiplier,
                static_cast<unsigned long long>(last->frequency) * last->multiplier);
  }
  return 0;
}

const CommandRegistration kStatus({"status", "[--instance NAME]",
                                   "data folder, settings file and band plans", Status});

}  // namespace
}  // namespace cli

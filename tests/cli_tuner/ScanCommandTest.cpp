#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "app/SettingsFile.h"
#include "app/TunerManager.h"
#include "tests/cli_tuner/TunerCommandTest.h"
#include "tools/broadcast/Description.h"
#include "tools/cli/scan/ScanRun.h"
#include "tools/cli/session/ToolSession.h"
#include "tuning/ChannelList.h"

namespace cli::test {
namespace {

using ScanCommandTest = TunerCommandTest;

testsupport::StreamsRun Scan(std::vector<std::string> args) {
  return TunerCommandTest::Run(RunScan, std::move(args));
}

// The tree line of every channel a scan can find: digital channels with video.
std::set<std::string> DeclaredChannels(const broadcast::BroadcastDescription& description) {
  std::set<std::string> lines;
  for (const auto& mux : description.multiplexes) {
    for (const auto& channel : mux.channels) {
      if (channel.analog || !channel.HasVideo()) continue;
      char line[96];
      const char letter = mux.channelMap == 0 ? 'A' : 'C';
      if (channel.OnePart()) {
        std::snprintf(line, sizeof line, "%05d (%c%d) %s", channel.major, letter, mux.physical,
                      channel.name.c_str());
      } else {
        std::snprintf(line, sizeof line, "%05d.%d (%c%d) %s", channel.major, channel.minor, letter,
                      mux.physical, channel.name.c_str());
      }
      lines.insert(line);
    }
  }
  return lines;
}

TEST_F(ScanCommandTest, EveryBandOfTheSampleBroadcastYieldsItsChannelsAndTheSettingsKeepThem) {
  const broadcast::BroadcastDescription sample = broadcast::SampleBroadcast();
  std::set<std::pair<tuning::ChannelMap, tuning::ModulationMask>> bands;
  for (const auto& mux : sample.multiplexes)
    bands.emplace(mux.channelMap, mux.modulation);
  std::string tree;
  for (const auto& [map, mode] : bands) {
    const auto r =
        Scan({"--map", std::to_string(map), "--modulation", tuning::ModulationName(mode)});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Finished\n"), std::string::npos);
    tree = r.out.substr(r.out.find("Finished\n") + 9);
  }
  const std::set<std::string> declared = DeclaredChannels(sample);
  EXPECT_EQ(Lines(tree), declared);

  // The settings file lists them when loaded again.
  app::TunerManager manager;
  tuning::ChannelList channels;
  app::SettingsFile file(DataFolder() / app::kSettingsFileName, manager, channels);
  ASSERT_EQ(file.LoadSettingsFile(), 0);
  const auto saved = testsupport::RunWithStreams([&](std::FILE* out, std::FILE*) {
    PrintChannelTree(out, channels);
    return 0;
  });
  EXPECT_EQ(Lines(saved.out), declared);
  EXPECT_TRUE(std::filesystem::exists(DataFolder() / "PSIP.txt"));
}

TEST_F(ScanCommandTest, AChannelOutsideTheBandIsOneLineAndExitOne) {
  const auto r = Scan({"--map", "Antenna US", "--from", "70"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "corvane-cli: physical channel 70 is outside \"Antenna US\" (2-69)\n");
  EXPECT_EQ(Scan({"--map", "Mars"}).code, 1);
}

}  // namespace
}  // namespace cli::test

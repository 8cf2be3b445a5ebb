#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "app/SettingsFile.h"
#include "app/TunerManager.h"
#include "tests/support/ConfigRoot.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/ScopedEnv.h"
#include "tools/broadcast/Description.h"
#include "tools/cli/scan/ScanRun.h"
#include "tools/cli/session/ToolSession.h"
#include "tuning/ChannelList.h"

namespace cli::test {
namespace {

// The unpaced virtual tuner on the bundled broadcast, with a data folder of
// the test's own.
class ScanCommandTest : public ::testing::Test {
 protected:
  testsupport::StreamsRun Scan(std::vector<std::string> args) {
    return testsupport::RunWithStreams(
        [&](std::FILE* out, std::FILE* err) { return RunScan(args, out, err); });
  }
  std::filesystem::path DataFolder() const { return config_.Path() / "data" / "Corvane DVR"; }

  testsupport::ScopedConfigRoot config_{"corvane-scan"};
  testsupport::ScopedEnv data_{"XDG_DATA_HOME", (config_.Path() / "data").string()};
  testsupport::ScopedEnv pace_{"CORVANE_TUNER_PACE", "0"};
  testsupport::ScopedEnv broadcast_{"CORVANE_BROADCAST", ""};
};

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

std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    lines.insert(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 1;
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

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/SettingsFile.h"
#include "app/TunerManager.h"
#include "common/TimeBase.h"
#include "tests/cli_tuner/TunerCommandTest.h"
#include "tests/vtuner/TestCapture.h"
#include "tools/broadcast/CaptureWriter.h"
#include "tools/broadcast/Description.h"
#include "tools/broadcast/Listing.h"
#include "tools/cli/scan/ScanRun.h"
#include "tools/cli/watch/WatchRun.h"
#include "tuning/ChannelText.h"

namespace cli::test {
namespace {

using WatchCommandTest = TunerCommandTest;

// The title the sample broadcast lists as on now for channel `number`.
std::string TitleOnNow(const std::string& number) {
  const std::string prefix = "  " + number + " ";
  for (const std::string& line :
       broadcast::ListBroadcast(broadcast::SampleBroadcast(), common::NowUtc())) {
    const std::size_t colon = line.find(": ");
    if (line.starts_with(prefix) && colon != std::string::npos) return line.substr(colon + 2);
  }
  return {};
}

TEST_F(WatchCommandTest, AFirstStartScansTheStartChannelAndShowsWhatIsOn) {
  const std::string before = TitleOnNow("5.5");
  const auto r = Run(RunWatch, {"--seconds", "3"});
  const std::string after = TitleOnNow("5.5");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("The channel list is empty: scanning physical channel 31 first."),
            std::string::npos);
  EXPECT_NE(r.out.find("Tuning 5.5 KFIV (Antenna US physical channel 31"), std::string::npos);
  ASSERT_FALSE(before.empty());
  EXPECT_TRUE(r.out.find(before) != std::string::npos || r.out.find(after) != std::string::npos)
      << r.out;
}

TEST_F(WatchCommandTest, ACaptureCutWhileWatchedIsToldOnce) {
  vtuner::test::TempFolder air;
  std::string error;
  const KfivCapture kfiv = WriteKfivCapture(air, &error);
  ASSERT_FALSE(kfiv.capture.empty()) << error;
  testsupport::ScopedEnv on("CORVANE_BROADCAST", kfiv.broadcast.string());
  ASSERT_EQ(Run(RunScan, {"--map", "Antenna US", "--from", "31", "--to", "31"}).code, 0);

  // Watched in real time; a second and a half in, the capture loses its
  // second half, cut inside a packet.
  testsupport::ScopedEnv paced("CORVANE_TUNER_PACE", "1");
  std::thread cutter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    std::filesystem::resize_file(kfiv.capture, std::filesystem::file_size(kfiv.capture) / 2 + 77);
  });
  const auto r = Run(RunWatch, {"31.5", "--seconds", "5"});
  cutter.join();
  const std::string told =
      "corvane-cli: The tuner's stream ended (ERROR_FILE_NOT_FOUND): nothing more arrives from "
      "it. Restart the graph to go on.\n";
  const std::size_t at = r.err.find(told);
  EXPECT_NE(at, std::string::npos) << r.out << r.err;
  EXPECT_EQ(r.err.find(told, at + 1), std::string::npos) << r.err;
}

TEST_F(WatchCommandTest, TypedNumbersFollowTheListThenThePhysicalChannel) {
  ASSERT_EQ(Run(RunScan, {"--map", "Antenna US", "--from", "7", "--to", "7"}).code, 0);
  app::TunerManager manager;
  tuning::ChannelList channels;
  app::SettingsFile file(DataFolder() / app::kSettingsFileName, manager, channels);
  ASSERT_EQ(file.LoadSettingsFile(), 0);
  const auto resolve = [&](const std::string& text) {
    return tuning::ResolveChannelText(text, channels, tuning::kAntennaUs, tuning::kVsb8);
  };

  const auto seven = resolve("7");  // the first channel numbered 7
  ASSERT_TRUE(seven);
  EXPECT_EQ(seven->major(), 7);
  EXPECT_EQ(seven->minor(), 1);
  const auto absent = resolve("31.5");  // programme 5 of physical channel 31
  ASSERT_TRUE(absent);
  EXPECT_EQ(absent->physical(), 31);
  EXPECT_EQ(absent->minor(), 5);
  const auto physical = resolve("31");
  ASSERT_TRUE(physical);
  EXPECT_EQ(physical->physical(), 31);
  EXPECT_EQ(physical->major(), tuning::kNoNumber);
  EXPECT_FALSE(resolve("70"));  // outside the band
  EXPECT_FALSE(resolve("7x"));
}

}  // namespace
}  // namespace cli::test

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstring>

#include "app/SettingsDefaults.h"
#include "app/SettingsFile.h"
#include "platform/bda/virtual/Broadcast.h"
#include "platform/bda/virtual/VirtualTuner.h"
#include "tests/cli_tuner/TunerCommandTest.h"
#include "tests/support/Bytes.h"
#include "tests/support/ChildProcess.h"
#include "tests/vtuner/TestCapture.h"
#include "tools/cli/record/RecordRun.h"
#include "tuning/BandPlan.h"

namespace cli::test {
namespace {

using RecordCommandTest = TunerCommandTest;

// The file named in the command's "Recording ... into "FILE"" line.
std::string RecordedFile(const std::string& out) {
  const std::size_t open = out.find('"');
  if (open == std::string::npos) return {};
  return out.substr(open + 1, out.find('"', open + 1) - open - 1);
}

TEST_F(RecordCommandTest, AMinuteOfAChannelPlaysForAMinute) {
  CORVANE_REQUIRE_TOOLS("ffprobe", "ffmpeg");
  const auto r = Run(RunRecord, {"31.5", "--minutes", "1", "--title", "A/B"});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string file = RecordedFile(r.out);
  EXPECT_TRUE(file.ends_with(" A_B.mpg")) << file;

  const auto probe =
      testsupport::RunTool("ffprobe -v error -show_entries format=duration -of csv=p=0 " +
                           testsupport::ShellQuote(file));
  ASSERT_EQ(probe.status, 0);
  EXPECT_NEAR(std::stod(probe.output), 60.0, 1.0);
  const auto decode = testsupport::RunTool("ffmpeg -v error -i " + testsupport::ShellQuote(file) +
                                           " -f null - 2>&1");
  EXPECT_EQ(decode.status, 0);
  EXPECT_EQ(decode.output, "");
}

TEST_F(RecordCommandTest, AFileThatCannotGrowEndsTheRecordingPlayableAndSaysWhy) {
  CORVANE_REQUIRE_TOOLS("ffprobe", "ffmpeg");
  // Files of the child stop at 4 MB: write() fails with EFBIG there, as it
  // fails with ENOSPC on a full disk.
  testsupport::ChildProcess child(config_.Path() / "child", [] {
    const rlimit limit{4u << 20, 4u << 20};
    std::signal(SIGXFSZ, SIG_IGN);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 99;
    return RunRecord(std::vector<std::string>{"31.5", "--minutes", "1", "--title", "Full"}, stdout,
                     stderr);
  });
  const auto code = child.WaitExit(120'000);
  ASSERT_TRUE(code.has_value()) << child.Out();
  EXPECT_EQ(*code, 1) << child.Out() << child.Err();
  const std::string file = RecordedFile(child.Out());
  ASSERT_TRUE(file.ends_with(" Full.mpg")) << child.Out();
  EXPECT_NE(child.Err().find("Recording stopped: \"" + file + "\" cannot be written"),
            std::string::npos)
      << child.Err();
  EXPECT_LE(std::filesystem::file_size(file), 4u << 20);

  const auto probe =
      testsupport::RunTool("ffprobe -v error -show_entries format=duration -of csv=p=0 " +
                           testsupport::ShellQuote(file) + " 2>&1");
  EXPECT_EQ(probe.status, 0) << probe.output;
  const auto decode = testsupport::RunTool("ffmpeg -v error -i " + testsupport::ShellQuote(file) +
                                           " -f null - 2>&1");
  EXPECT_EQ(decode.status, 0);
  EXPECT_EQ(decode.output, "");
}

// The multiplex a fresh tuner on `broadcast` receives on Antenna US 22 from
// its tune on: what the program's tuner delivered, as far as `bytes` reach.
std::vector<std::uint8_t> Received(const std::filesystem::path& broadcast, std::size_t bytes) {
  std::string error;
  vtuner::VirtualTuner tuner(vtuner::Broadcast::Load(broadcast, &error));
  const auto frequency = tuning::ResolveFrequency(tuning::kAntennaUs, 22);
  tuner.Tune(static_cast<std::uint64_t>(frequency->frequency) * frequency->multiplier,
             common::DemodulatorFamily::kVsb);
  std::vector<std::uint8_t> out(bytes);
  std::size_t have = 0;
  while (have < bytes) {
    const std::size_t got = tuner.Read(std::span(out).subspan(have));
    if (got == 0) break;
    have += got;
  }
  out.resize(have);
  return out;
}

TEST_F(RecordCommandTest, TheTransportStreamCompanionIsWhatTheTunerDelivered) {
  vtuner::test::TempFolder air;
  air.Write("a.ts", vtuner::test::MakeCapture({}));
  const auto broadcast = air.WriteText(
      "broadcast.txt",
      "tuners 1\npace off\nmultiplex \"Antenna US\" 22 VSB:8-VSB capture a.ts quality 80\n");
  testsupport::ScopedEnv on("CORVANE_BROADCAST", broadcast.string());
  {
    app::TunerManager manager;
    tuning::ChannelList channels;
    app::SetDefaults(manager.settings);
    app::SetDefaultFolders(manager.settings, DataFolder());
    manager.settings.recordTransportStream = 1;
    std::filesystem::create_directories(DataFolder());
    ASSERT_TRUE(app::SettingsFile(DataFolder() / app::kSettingsFileName, manager, channels)
                    .SaveSettingsFile());
  }
  const auto r = Run(RunRecord, {"22", "--minutes", "1", "--title", "Companion"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::string file = RecordedFile(r.out);
  file.replace(file.size() - 4, 4, ".ts");
  const testsupport::Bytes ts = testsupport::ReadBytes(file);
  ASSERT_GE(ts.size(), 188u * 1000);
  ASSERT_EQ(ts.size() % 188, 0u);

  // The dump began with some sample after the tune and wrote every one after
  // it, unchanged, until the recording stopped.
  const auto delivered = Received(broadcast, ts.size() + (16u << 20));
  bool found = false;
  for (std::size_t at = 0; !found && at + ts.size() <= delivered.size(); at += 188) {
    found = std::equal(ts.begin(), ts.end(), delivered.begin() + static_cast<std::ptrdiff_t>(at));
  }
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace cli::test

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "app/SettingsDefaults.h"
#include "app/SettingsFile.h"
#include "platform/bda/virtual/Broadcast.h"
#include "platform/bda/virtual/VirtualTuner.h"
#include "tests/cli_tuner/TunerCommandTest.h"
#include "tests/support/Bytes.h"
#include "tests/support/ChildProcess.h"
#include "tests/vtuner/TestCapture.h"
#include "tools/broadcast/CaptureWriter.h"
#include "tools/broadcast/Description.h"
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

// What ffmpeg says when it decodes `file`, less its complaints about pictures
// before the first sequence header: a recording that starts while the stream
// already flows (the unpaced tuner's may be well ahead of the start) begins
// inside a group of pictures, whose pictures cannot be decoded alone.
std::string DecodeComplaints(const std::string& file) {
  const auto decode = testsupport::RunTool("ffmpeg -v error -i " + testsupport::ShellQuote(file) +
                                           " -f null - 2>&1");
  std::string kept = decode.status == 0 ? "" : "exit " + std::to_string(decode.status) + "\n";
  bool midGroupStart = false;
  std::size_t at = 0;
  while (at < decode.output.size()) {
    const std::size_t end = std::min(decode.output.find('\n', at), decode.output.size());
    const std::string_view line(decode.output.data() + at, end - at);
    at = end + 1;
    if (line.find("Invalid frame dimensions 0x0") != std::string_view::npos ||
        (midGroupStart && line.find("Last message repeated") != std::string_view::npos)) {
      midGroupStart = true;
      continue;
    }
    midGroupStart = false;
    kept.append(line).append("\n");
  }
  return kept;
}

// The recording lasts from `minSeconds` to `maxSeconds` for ffprobe and
// decodes cleanly.
void ExpectPlayable(const std::string& file, double minSeconds, double maxSeconds = 1e9) {
  const auto probe =
      testsupport::RunTool("ffprobe -v error -show_entries format=duration -of csv=p=0 " +
                           testsupport::ShellQuote(file));
  ASSERT_EQ(probe.status, 0) << probe.output;
  const double seconds = std::atof(probe.output.c_str());
  EXPECT_GE(seconds, minSeconds) << probe.output;
  EXPECT_LE(seconds, maxSeconds) << probe.output;
  EXPECT_EQ(DecodeComplaints(file), "");
}

TEST_F(RecordCommandTest, AMinuteOfAChannelPlaysForAMinute) {
  CORVANE_REQUIRE_TOOLS("ffprobe", "ffmpeg");
  const auto r = Run(RunRecord, {"31.5", "--minutes", "1", "--title", "A/B"});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string file = RecordedFile(r.out);
  EXPECT_TRUE(file.ends_with(" A_B.mpg")) << file;

  ExpectPlayable(file, 59.0, 61.0);
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

  ExpectPlayable(file, 0.0);
}

TEST_F(RecordCommandTest, ALostSignalIsToldAndTheRecordingGoesOnPlayable) {
  CORVANE_REQUIRE_TOOLS("ffprobe", "ffmpeg");
  vtuner::test::TempFolder air;
  const auto broadcast = air.WriteText("broadcast.txt", KfivDescription(" dropout 20 3"));
  testsupport::ScopedEnv on("CORVANE_BROADCAST", broadcast.string());
  const auto r = Run(RunRecord, {"31.5", "--minutes", "1", "--title", "Lost"});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string file = RecordedFile(r.out);
  EXPECT_NE(r.out.find("Finished after 60 s"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("corvane-cli: Recording \"" + file + "\": the signal was lost at "),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(". The recording goes on and continues when the signal returns.\n"),
            std::string::npos)
      << r.err;
  ExpectPlayable(file, 50.0);
}

TEST_F(RecordCommandTest, ACaptureCutWhileRecordedEndsTheRecordingPlayableAndSaysWhy) {
  CORVANE_REQUIRE_TOOLS("ffprobe", "ffmpeg");
  vtuner::test::TempFolder air;
  std::string error;
  const KfivCapture kfiv = WriteKfivCapture(air, &error);
  ASSERT_FALSE(kfiv.capture.empty()) << error;
  testsupport::ScopedEnv on("CORVANE_BROADCAST", kfiv.broadcast.string());
  // In real time, so that the cut surely comes while the recording runs.
  testsupport::ScopedEnv paced("CORVANE_TUNER_PACE", "1");

  // Once the recording holds a megabyte (some seconds), the capture loses its
  // second half, cut inside a packet.
  std::atomic<bool> cut{false};
  std::thread cutter([&] {
    const auto videos = config_.Path() / "Videos";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!cut && std::chrono::steady_clock::now() < deadline) {
      std::error_code ec;
      for (const auto& entry : std::filesystem::directory_iterator(videos, ec)) {
        if (entry.path().extension() == ".mpg" && entry.file_size(ec) > (1u << 20)) {
          std::filesystem::resize_file(kfiv.capture,
                                       std::filesystem::file_size(kfiv.capture) / 2 + 77);
          cut = true;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  const auto r = Run(RunRecord, {"31.5", "--minutes", "1", "--title", "Cut"});
  cutter.join();
  ASSERT_TRUE(cut);
  EXPECT_EQ(r.code, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("Cut short after "), std::string::npos) << r.out;
  const std::string file = RecordedFile(r.out);
  EXPECT_NE(r.err.find("corvane-cli: Recording stopped: the tuner's stream ended "
                       "(ERROR_FILE_NOT_FOUND). \"" +
                       file + "\" keeps what was received.\n"),
            std::string::npos)
      << r.err;
  ExpectPlayable(file, 1.0);
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

// corvane-cli settings commands, run as a user would run them.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "app/SettingsDefaults.h"
#include "app/SettingsFile.h"
#include "common/Utf16.h"
#include "tests/support/Bytes.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/TempFolder.h"

namespace {

struct CliRun {
  int exitCode = -1;
  std::string out;
};

// Runs the tool with a shell command line; standard error joins the output.
CliRun RunCli(const std::string& arguments) {
  const testsupport::ToolRun run =
      testsupport::RunTool(std::string(CORVANE_CLI) + " " + arguments + " 2>&1");
  return {WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1, run.output};
}

class SettingsCommands : public testing::Test {
 protected:
  void SetUp() override {
    in_ = dir_ / "in.bin";
    out_ = dir_ / "out.bin";
    // A settings file with two channels and a timer, as the program writes it.
    auto manager = std::make_unique<app::TunerManager>();
    tuning::ChannelList channels;
    app::SetDefaults(manager->settings);
    for (std::uint16_t minor : {1, 2}) {
      tuning::ChannelRecord r;
      common::SetField(r.name, minor == 1 ? u"KABC" : u"KABC-SD");
      r.locator = tuning::ChannelLocator::Make(7, minor, 7, 0, 1);
      r.enabled = 1;
      channels.InsertSorted(r);
    }
    ASSERT_EQ(manager->timers.AddTimer(tuning::ChannelLocator::Make(7, 1, 7, 0, 1), 2000000000,
                                       2000003600, u"News", recording::RepeatKind::kWeekly, 0x3E, 1999990000,
                                       3600, 1),
              recording::AddTimerResult::kAdded);
    app::SettingsFile file(in_, *manager, channels);
    ASSERT_TRUE(file.SaveSettingsFile());
  }
  std::string Read(const std::filesystem::path& p) { return testsupport::ReadText(p); }

  testsupport::TempFolder folder_{"corvane-cli"};
  const std::filesystem::path dir_ = folder_.Path();
  std::filesystem::path in_, out_;
};

TEST_F(SettingsCommands, ShowListsChannelsInOrderAndTimerTexts) {
  const CliRun r = RunCli("settings show " + in_.string());
  EXPECT_EQ(r.exitCode, 0) << r.out;
  const auto first = r.out.find("7.1");
  const auto second = r.out.find("7.2");
  EXPECT_NE(first, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_NE(r.out.find("KABC-SD"), std::string::npos);
  EXPECT_NE(r.out.find("Antenna US"), std::string::npos);
  EXPECT_NE(r.out.find("M-F    "), std::string::npos);
  EXPECT_NE(r.out.find("Ch 7.1 News"), std::string::npos);
  EXPECT_NE(r.out.find("volume                10"), std::string::npos);
}

TEST_F(SettingsCommands, RoundtripOfACleanFileIsIdentical) {
  const CliRun r = RunCli("settings roundtrip " + in_.string() + " " + out_.string());
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(Read(out_), Read(in_));
}

TEST_F(SettingsCommands, RoundtripOfADamagedFileKeepsWhatCameBeforeAndFails) {
  std::string bytes = Read(in_);
  bytes[112 + 20 + 16 + 2] ^= 0x01;  // a payload byte of the second channel chunk
  std::ofstream(in_, std::ios::binary | std::ios::trunc) << bytes;
  const CliRun r = RunCli("settings roundtrip " + in_.string() + " " + out_.string());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Error reading saved settings"), std::string::npos);
  const CliRun shown = RunCli("settings show " + out_.string());
  EXPECT_EQ(shown.exitCode, 0) << shown.out;
  EXPECT_NE(shown.out.find("Channels (1)"), std::string::npos);
}

TEST_F(SettingsCommands, MissingInputAndUnknownCommandsAreReported) {
  EXPECT_EQ(RunCli("settings show " + (dir_ / "none.bin").string()).exitCode, 2);
  const CliRun r = RunCli("frobnicate");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.out.find("unknown command"), std::string::npos);
}

}  // namespace

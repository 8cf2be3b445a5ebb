// corvane-dvr answers the command-line tool's timers requests while it runs,
// and a SIGTERM while it records leaves a whole recording and the settings.
#include <gtest/gtest.h>

#include <thread>

#include "tests/dvr/ProgramRun.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TimeZone.h"
#include "tests/support/Wait.h"

namespace {

using dvrtest::RunCli;
namespace fs = std::filesystem;

constexpr int kExitPatience = 30'000;

// The recording being written in the record folder, once it holds data.
std::optional<fs::path> Recording(const fs::path& home) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(home / "Videos", ec)) {
    if (entry.path().extension() == ".mpg" && entry.file_size(ec) > 0) return entry.path();
  }
  return std::nullopt;
}

TEST(TimerRequestsProcess, ATimerAddedFromTheCommandLineIsTakenByTheRunningProgram) {
  testsupport::TempFolder home;
  dvrtest::ProgramRun run(home.Path(), {});
  ASSERT_TRUE(run.WaitRunning()) << run.Out() << run.Err();

  const auto added = RunCli(home.Path(),
                            "timers add --channel 31.5 --start '2030-12-24 20:15' --minutes 30 "
                            "--title Eve");
  ASSERT_EQ(added.status, 0) << added.output;
  const auto listed = RunCli(home.Path(), "timers list");
  EXPECT_NE(listed.output.find("Ch 31.5 Eve"), std::string::npos) << listed.output;
  EXPECT_TRUE(run.Running());

  run.Terminate();
  ASSERT_EQ(run.WaitExit(kExitPatience), 0) << run.Err();
  // Read from the settings file now that the program has ended.
  EXPECT_EQ(RunCli(home.Path(), "timers list").output, listed.output);
}

TEST(TimerRequestsProcess, SigtermWhileRecordingLeavesAPlayableFileAndTheSettings) {
  CORVANE_REQUIRE_TOOLS("ffprobe");
  testsupport::TempFolder home;
  const auto scan = RunCli(home.Path(), "scan");
  ASSERT_EQ(scan.status, 0) << scan.output;
  // Without logind on the system bus the session's end is asked in a box,
  // which the run answers with OK.
  dvrtest::ProgramRun run(home.Path(), {}, {"DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent"});
  ASSERT_TRUE(run.WaitRunning()) << run.Out() << run.Err();
  // The program runs on UTC.
  const auto added =
      RunCli(home.Path(), "timers add --channel 31.5 --start '" + testsupport::ThisMinute(true) +
                              "' --minutes 5 --title Due");
  ASSERT_EQ(added.status, 0) << added.output;

  std::optional<fs::path> file;
  ASSERT_TRUE(
      testsupport::WaitUntil([&] { return (file = Recording(home.Path())).has_value(); }, 30'000))
      << run.Out() << run.Err();
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const fs::path settings = dvrtest::DataFolder(home.Path()) / "Settings v2.bin";
  const auto savedAtAdd = fs::last_write_time(settings);

  run.Terminate();
  ASSERT_EQ(run.WaitExit(kExitPatience), 0) << run.Out() << run.Err();
  EXPECT_GT(fs::last_write_time(settings), savedAtAdd);
  EXPECT_NE(RunCli(home.Path(), "timers list").output.find("Due"), std::string::npos);
  const auto probe =
      testsupport::RunTool("ffprobe -v error -show_entries format=duration -of csv=p=0 " +
                           testsupport::ShellQuote(file->string()) + " 2>&1");
  // Nothing but the duration: ffprobe found no error.
  ASSERT_EQ(probe.status, 0) << probe.output;
  EXPECT_EQ(probe.output.find('\n'), probe.output.size() - 1) << probe.output;
  EXPECT_GT(std::stod(probe.output), 0.5) << probe.output;
}

}  // namespace

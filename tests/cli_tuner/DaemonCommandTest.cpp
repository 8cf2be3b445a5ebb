#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "platform/ui/DataFolderLock.h"
#include "tests/cli_tuner/TunerCommandTest.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TimeZone.h"
#include "tests/support/Wait.h"
#include "tools/cli/daemon/DaemonRun.h"
#include "tools/cli/timers/TimersRun.h"

namespace cli::test {
namespace {

using DaemonCommandTest = TunerCommandTest;

// The size of the file in `folder` whose name ends in `suffix`, 0 when none.
std::uintmax_t SizeOfFileEndingIn(const std::filesystem::path& folder, const std::string& suffix) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.path().filename().string().ends_with(suffix)) return entry.file_size(ec);
  }
  return 0;
}

TEST_F(DaemonCommandTest, ADueTimerIsRecordedAndTheEndLeavesAPlayableFile) {
  CORVANE_REQUIRE_TOOLS("ffprobe");
  testsupport::ScopedEnv paced("CORVANE_TUNER_PACE", "1");
  ASSERT_EQ(Run(RunTimersAdd, {"--channel", "31.5", "--start", testsupport::ThisMinute(false),
                               "--minutes", "3", "--title", "Due"})
                .code,
            0);
  testsupport::ChildProcess daemon(
      config_.Path(), [] { return RunDaemon(std::vector<std::string>{}, stdout, stderr); });
  // Ended once the file holds a second or so of the programme, however
  // slowly a loaded machine gets there.
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] { return SizeOfFileEndingIn(config_.Path() / "Videos", " Due.mpg") >= (2u << 20); },
      120'000))
      << daemon.Out() << daemon.Err();
  daemon.Terminate();
  const auto code = daemon.WaitExit(60'000);
  ASSERT_TRUE(code.has_value()) << daemon.Out();
  ASSERT_EQ(*code, 0) << daemon.Out() << daemon.Err();
  const std::string out = daemon.Out();
  const std::string marker = "Stopped recording \"";
  const std::size_t at = out.find(marker);
  ASSERT_NE(at, std::string::npos) << out;
  const std::string file =
      out.substr(at + marker.size(), out.find('"', at + marker.size()) - at - marker.size());
  EXPECT_TRUE(file.ends_with(" Due.mpg")) << file;
  const auto probe =
      testsupport::RunTool("ffprobe -v error -show_entries format=duration -of csv=p=0 " +
                           testsupport::ShellQuote(file));
  ASSERT_EQ(probe.status, 0);
  EXPECT_GT(std::stod(probe.output), 0.5);
}

TEST_F(DaemonCommandTest, AFolderHeldByAnotherCopyIsRefusedInOneLine) {
  std::filesystem::create_directories(DataFolder());
  const auto held = ui::DataFolderLock::Take(DataFolder());
  ASSERT_TRUE(held);
  const auto r = Run(RunDaemon, {"--seconds", "1"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_NE(r.err.find("in use"), std::string::npos) << r.err;
}

TEST_F(DaemonCommandTest, TheStartEmptiesWhatACrashedCopyLeftInTheBufferFolder) {
  const auto scratch = DataFolder() / "TempSBE" / "backing.tmp";
  const auto list = DataFolder() / "0123456789abcdef0123456789ABCDEF.lst";
  std::filesystem::create_directories(scratch.parent_path());
  std::ofstream(scratch) << "left";
  std::ofstream(list) << "left";
  ASSERT_EQ(Run(RunDaemon, {"--seconds", "1"}).code, 0);
  EXPECT_FALSE(std::filesystem::exists(scratch));
  EXPECT_FALSE(std::filesystem::exists(list));
}

TEST_F(DaemonCommandTest, TimersCommandsAreHandedToTheRunningDaemon) {
  std::optional<testsupport::ChildProcess> daemon;
  daemon.emplace(config_.Path(),
                 [] { return RunDaemon(std::vector<std::string>{}, stdout, stderr); });
  ASSERT_TRUE(testsupport::WaitUntil([&] {
    return daemon->Out().find("Recording timers on") != std::string::npos;
  })) << daemon->Out()
      << daemon->Err();

  const auto eve = Run(RunTimersAdd, {"--channel", "31.5", "--start", "2030-12-24 20:15",
                                      "--minutes", "90", "--title", "Eve"});
  ASSERT_EQ(eve.code, 0) << eve.err;
  EXPECT_NE(eve.out.find("Eve"), std::string::npos) << eve.out;
  const auto clash =
      Run(RunTimersAdd, {"--channel", "31.5", "--start", "2030-12-24 21:00", "--minutes", "30"});
  EXPECT_EQ(clash.code, 1);
  EXPECT_EQ(clash.err, "corvane-cli: Timer conflicts with an existing timer.\n");
  ASSERT_EQ(Run(RunTimersAdd, {"--channel", "31.5", "--start", "2030-12-25 10:00", "--minutes",
                               "30", "--title", "Day"})
                .code,
            0);
  const auto removed = Run(RunTimersRemove, {"1"});
  ASSERT_EQ(removed.code, 0) << removed.err;
  EXPECT_EQ(removed.out.find("Eve"), std::string::npos) << removed.out;
  EXPECT_EQ(Run(RunTimersList, {}).out, removed.out);

  // Each change was saved when it was made: a daemon killed without its own
  // save leaves the list as it answered it.
  daemon.reset();
  EXPECT_EQ(Run(RunTimersList, {}).out, removed.out);
}

TEST_F(DaemonCommandTest, TimersCommandsNeverWriteBehindACopyThatDoesNotAnswer) {
  std::filesystem::create_directories(DataFolder());
  const auto held = ui::DataFolderLock::Take(DataFolder());
  ASSERT_TRUE(held);
  const auto r = Run(RunTimersRemove, {"1"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("does not answer"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace cli::test

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fstream>

#include "platform/ui/DataFolderLock.h"
#include "tests/cli_tuner/TunerCommandTest.h"
#include "tools/cli/daemon/DaemonRun.h"
#include "tools/cli/timers/TimersRun.h"

namespace cli::test {
namespace {

using DaemonCommandTest = TunerCommandTest;

// "YYYY-MM-DD HH:MM" of the current local minute.
std::string ThisMinute() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return text;
}

TEST_F(DaemonCommandTest, ADueTimerIsRecordedAndTheEndLeavesAPlayableFile) {
  CORVANE_REQUIRE_TOOLS("ffprobe");
  testsupport::ScopedEnv paced("CORVANE_TUNER_PACE", "1");
  ASSERT_EQ(Run(RunTimersAdd,
                {"--channel", "31.5", "--start", ThisMinute(), "--minutes", "3", "--title", "Due"})
                .code,
            0);
  const auto r = Run(RunDaemon, {"--seconds", "3"});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string marker = "Stopped recording \"";
  const std::size_t at = r.out.find(marker);
  ASSERT_NE(at, std::string::npos) << r.out;
  const std::string file =
      r.out.substr(at + marker.size(), r.out.find('"', at + marker.size()) - at - marker.size());
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

}  // namespace
}  // namespace cli::test

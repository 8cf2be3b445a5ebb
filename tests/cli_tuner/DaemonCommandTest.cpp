#include <gtest/gtest.h>

#include <ctime>

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

}  // namespace
}  // namespace cli::test

#include <gtest/gtest.h>

#include "tests/cli_tuner/TunerCommandTest.h"
#include "tools/cli/timers/TimersRun.h"

namespace cli::test {
namespace {

using TimersCommandTest = TunerCommandTest;

TEST_F(TimersCommandTest, AnOverlapIsRefusedWithOneTunerAndRemovingFreesTheTime) {
  ASSERT_EQ(Run(RunTimersAdd, {"--channel", "31.5", "--start", "2030-12-24 20:15", "--minutes",
                               "90", "--title", "Eve"})
                .code,
            0);
  const auto clash =
      Run(RunTimersAdd, {"--channel", "31.5", "--start", "2030-12-24 21:00", "--minutes", "30"});
  EXPECT_EQ(clash.code, 1);
  EXPECT_EQ(clash.err, "corvane-cli: Timer conflicts with an existing timer.\n");
  ASSERT_EQ(Run(RunTimersRemove, {"1"}).code, 0);
  EXPECT_EQ(Run(RunTimersList, {}).out, "No timers.\n");
}

TEST_F(TimersCommandTest, MinutesBeyondADayAreRefusedHoweverMany) {
  // 71582789 minutes are 2^32 + 44 seconds.
  for (const char* minutes : {"1441", "71582789"}) {
    const auto r = Run(RunTimersAdd,
                       {"--channel", "31.5", "--start", "2030-12-24 20:15", "--minutes", minutes});
    EXPECT_EQ(r.code, 1) << minutes;
    EXPECT_EQ(r.err, "corvane-cli: Invalid duration.\n") << minutes;
  }
}

}  // namespace
}  // namespace cli::test

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

TEST(TimersTextTest, DaysAndTimesAsTyped) {
  EXPECT_EQ(ParseDays("MTWTF--"), 0x3E);
  EXPECT_EQ(ParseDays("------S"), 0x40);  // Sunday
  EXPECT_FALSE(ParseDays("MTWTF"));
  EXPECT_EQ(ParseWallClock("1970-01-02 00:01"), 86460);
  EXPECT_FALSE(ParseWallClock("2026-02-30 10:00"));
  EXPECT_FALSE(ParseWallClock("2026-12-24 20:15x"));
}

}  // namespace
}  // namespace cli::test

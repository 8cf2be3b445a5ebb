#include <gtest/gtest.h>

#include "tests/cli_tuner/TunerCommandTest.h"
#include "tools/cli/timers/TimersRequest.h"
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

TEST(TimersTextTest, DaysAndTimesAsTyped) {
  EXPECT_EQ(ParseDays("MTWTF--"), 0x3E);
  EXPECT_EQ(ParseDays("------S"), 0x40);  // Sunday
  EXPECT_FALSE(ParseDays("MTWTF"));
  EXPECT_EQ(ParseWallClock("1970-01-02 00:01"), 86460);
  EXPECT_FALSE(ParseWallClock("2026-02-30 10:00"));
  EXPECT_FALSE(ParseWallClock("2026-12-24 20:15x"));
  EXPECT_FALSE(ParseWallClock("2106-03-01 00:00"));  // beyond a timer's 32-bit seconds
}

TEST(TimersRequestTest, AnAddRequestCarriesEveryArgument) {
  const std::vector<std::string> args = {"--channel", "5.1",      "--start", "2030-01-01 10:00",
                                         "--minutes", "30",       "--days",  "MTWTF--",
                                         "--title",   "Die Ärzte"};
  const auto line = TimersRequestLine(TimersVerb::kAdd, args);
  ASSERT_TRUE(line);
  std::string refusal;
  const auto request = ParseTimersRequest(*line, &refusal);
  ASSERT_TRUE(request) << refusal;
  EXPECT_EQ(request->verb, TimersVerb::kAdd);
  const TimersOptions& o = request->options;
  EXPECT_EQ(o.channel + "|" + o.start + "|" + o.minutes + "|" + o.days + "|" + o.title,
            "5.1|2030-01-01 10:00|30|MTWTF--|Die Ärzte");
}

TEST(TimersRequestTest, MalformedRequestsAreRefusedWithAReason) {
  using namespace std::string_view_literals;
  for (const std::string_view line :
       {""sv, "40151"sv, "timers"sv, "timers\tstop"sv, "list"sv, "timers\tlist\textra"sv,
        "timers\tadd\t--channel\t5.1"sv, "timers\tlist\t--instance\tDen"sv, "timers\tremove\t1\r"sv,
        "timers\tremove\0\t1"sv, "timers\tremove\t--bogus\t1"sv}) {
    std::string refusal;
    EXPECT_FALSE(ParseTimersRequest(line, &refusal)) << line;
    EXPECT_FALSE(refusal.empty()) << line;
  }
  // A line break in an argument could not travel on the one line.
  EXPECT_FALSE(TimersRequestLine(TimersVerb::kAdd, std::vector<std::string>{"--title", "a\nb"}));
}

TEST(TimersRequestTest, AnAnswerStartsWithItsExitStatusAlone) {
  const auto answer = ParseTimersAnswer(TimersAnswerText({1, "Timer conflicts."}));
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 1);
  EXPECT_EQ(answer->text, "Timer conflicts.\n");
  for (const char* text : {"", "0", "3\nx\n", "10\n", "x\n"})
    EXPECT_FALSE(ParseTimersAnswer(text)) << text;
}

}  // namespace
}  // namespace cli::test

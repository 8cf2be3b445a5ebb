// The timers requests a running copy answers: their lines, the commands'
// texts, and the answers of a holder that is busy.
#include <gtest/gtest.h>

#include "app/SettingsDefaults.h"
#include "app/timers/TimersAnswer.h"
#include "app/timers/TimersRequest.h"
#include "recording/Clock.h"

namespace app {
namespace {

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

TEST(TimersAnswerTest, WhileTheHolderIsBusyChangesAreRefusedAndNothingIsSaved) {
  recording::TimerList timers;
  tuning::ChannelList channels;
  Settings settings{};
  SetDefaults(settings);
  const recording::SystemClock clock;
  int saves = 0;
  TimersHolder holder{{timers, channels, settings, 1, clock},
                      [&] {
                        ++saves;
                        return true;
                      },
                      true};
  const std::string add = "timers\tadd\t--channel\t31\t--start\t2030-12-24 20:15\t--minutes\t30";
  EXPECT_EQ(AnswerTimersRequest(add, holder), std::string("1\n") + kTimersBusy + "\n");
  EXPECT_EQ(AnswerTimersRequest("timers\tlist", holder), "0\nNo timers.\n");
  EXPECT_EQ(saves, 0);

  holder.editing = false;
  EXPECT_TRUE(AnswerTimersRequest(add, holder).starts_with("0\n1: ")) << timers.count();
  EXPECT_EQ(timers.count(), 1);
  EXPECT_EQ(saves, 1);
}

}  // namespace
}  // namespace app

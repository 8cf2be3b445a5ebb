#include <gtest/gtest.h>

#include "bench/soak/MemoryCurve.h"
#include "bench/soak/TimerLedger.h"
#include "bench/soak/TimerPlan.h"
#include "common/Utf16.h"
#include "tests/recording/SchedulerFakes.h"
#include "tests/support/TimeZone.h"

namespace soak {
namespace {

constexpr GUID kA{1, 2, 3, {4}};
constexpr GUID kB{5, 6, 7, {8}};

TEST(TimerLedger, CountsMissedLateAndUnexpected) {
  TimerLedger ledger({{kA, "a", 100, 200}, {kB, "b", 150, 250}, {kA, "a", 1000, 1100}}, 3);
  ledger.Started(kA, 1, 101, "a.mpg");  // on time
  ledger.Started(kB, 0, 160, "b.mpg");  // late
  ledger.Finished(kA, 1, 200, true);
  ledger.Finished(kB, 0, 251, false);   // still recording after its end
  ledger.Started(kB, 0, 300, "x.mpg");  // outside every occurrence of b
  const LedgerSummary s = ledger.Summarize(2000);
  EXPECT_EQ(s.due, 3);
  EXPECT_EQ(s.started, 2);
  EXPECT_EQ(s.startedOnTime, 1);
  EXPECT_EQ(s.finished, 2);
  EXPECT_EQ(s.finishedOnTime, 1);
  EXPECT_EQ(s.missed, 1);
  EXPECT_EQ(s.unexpected, 1);
  EXPECT_FALSE(s.Clean());
  // What has not ended yet is not due.
  EXPECT_EQ(ledger.Summarize(1050).due, 2);
}

TEST(TimerLedger, ASecondStartOfOneOccurrenceIsUnexpected) {
  TimerLedger ledger({{kA, "a", 100, 200}}, 3);
  ledger.Started(kA, 1, 100, "a.mpg");
  ledger.Finished(kA, 1, 120, true);
  ledger.Started(kA, 1, 121, "a2.mpg");
  ledger.Finished(kA, 1, 200, true);
  EXPECT_EQ(ledger.Summarize(300).unexpected, 1);
}

TEST(MemoryCurve, JudgesTheLastWindowAgainstTheFirstWarmOne) {
  // Two hours of warm-up, windows of two hours.
  const std::vector<std::uint64_t> flat{10, 50, 100, 104, 99, 101, 103, 108};
  const auto f = JudgeFlatness(flat, 2, 2, 5);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->warmMax, 104u);
  EXPECT_EQ(f->lastMax, 108u);
  EXPECT_TRUE(f->flat);
  const std::vector<std::uint64_t> growing{10, 50, 100, 100, 104, 106, 110, 111};
  EXPECT_FALSE(JudgeFlatness(growing, 2, 2, 5)->flat);
  EXPECT_FALSE(JudgeFlatness({1, 2, 3, 4, 5}, 2, 2, 5));
}

class TimerPlanTest : public ::testing::Test {
 protected:
  testsupport::ScopedTimeZone zone_{"EST5EDT,M3.2.0,M11.1.0"};
  recording::testing::FakeClock clock_{0};
  const PlanChannels channels_{tuning::ChannelLocator::Make(7, 1, 7, 0, 1),
                               tuning::ChannelLocator::Make(7, 2, 7, 0, 1),
                               tuning::ChannelLocator::Make(31, 5, 5, 0, 1)};
  const std::int64_t weekBoundary_ =
      clock_.WallClockFromUtc(testsupport::LocalSeconds(2027, 1, 10, 0, 0));
};

TEST_F(TimerPlanTest, TwoTunersTakeEveryTimerOfAWeekWithSlotsAcrossMidnightAndTheWeek) {
  const Span span = SpanAround(weekBoundary_, 7);
  clock_.Set(clock_.UtcFromWallClock(span.beginWall));
  recording::TimerList timers;
  for (const recording::TimerForm& form : PlanTimers(span, channels_)) {
    EXPECT_EQ(recording::SaveTimerForm(timers, std::nullopt, form, clock_, 2),
              recording::TimerFormResult::kAdded)
        << common::ToUtf8(form.name);
  }
  const std::vector<Occurrence> all = Occurrences(timers, span, clock_);
  auto count = [&all](const std::string& name) {
    return std::count_if(all.begin(), all.end(),
                         [&name](const Occurrence& o) { return o.name == name; });
  };
  // Wednesday noon to Wednesday noon.
  EXPECT_EQ(count("Morning News"), 5);
  EXPECT_EQ(count("Late Movie"), 7);
  EXPECT_EQ(count("Weekend Weather"), 1);
  EXPECT_EQ(count("Midnight Once"), 1);
  int overlapping = 0;
  for (std::size_t i = 0; i + 1 < all.size(); ++i) {
    EXPECT_LE(all[i].startUtc, all[i + 1].startUtc);
    if (all[i + 1].startUtc < all[i].endUtc) ++overlapping;
  }
  EXPECT_GE(overlapping, 8);
  for (const Occurrence& o : all) {
    if (o.name != "Weekend Weather") continue;
    EXPECT_EQ(o.startUtc, testsupport::LocalSeconds(2027, 1, 9, 23, 45));
    EXPECT_EQ(o.endUtc, testsupport::LocalSeconds(2027, 1, 10, 0, 15));
  }
}

TEST_F(TimerPlanTest, ADaySpansTheWeekBoundaryFromNoonToNoon) {
  const Span span = SpanAround(weekBoundary_, 1);
  EXPECT_EQ(clock_.UtcFromWallClock(span.beginWall), testsupport::LocalSeconds(2027, 1, 9, 12, 0));
  EXPECT_EQ(clock_.UtcFromWallClock(span.endWall), testsupport::LocalSeconds(2027, 1, 10, 12, 0));
}

}  // namespace
}  // namespace soak

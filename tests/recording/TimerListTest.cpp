#include "recording/TimerList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "common/ErrorBox.h"
#include "common/TimeBase.h"
#include "tests/support/TimeZone.h"

namespace recording {
namespace {

// US Eastern time with its daylight-saving rules, written out so that the test
// does not depend on the zone database being installed.
class TimerListTest : public testing::Test {
 protected:
  testsupport::ScopedTimeZone zone_{"EST5EDT,M3.2.0,M11.1.0"};

  // Wall-clock seconds of a local date and time.
  static std::int64_t Wall(int year, int month, int day, int hour, int minute) {
    return testsupport::UtcSeconds(year, month, day, hour, minute);
  }
  static std::int64_t Utc(std::int64_t wall) { return common::UtcFromWallClock(wall); }

  // Adds a timer at a local time; true when accepted.
  static AddTimerResult AddResult(TimerList& list, std::int64_t wallStart, std::uint32_t duration,
                                  int tuners, RepeatKind kind = RepeatKind::kOnce,
                                  std::uint8_t mask = 0) {
    const auto start = static_cast<std::uint32_t>(Utc(wallStart));
    return list.AddTimer(tuning::ChannelLocator::Make(7, 1, 7, 0, 1), start, start + duration,
                         u"News", kind, mask, wallStart, duration, tuners);
  }
  static bool Add(TimerList& list, std::int64_t wallStart, std::uint32_t duration, int tuners,
                  RepeatKind kind = RepeatKind::kOnce, std::uint8_t mask = 0) {
    return AddResult(list, wallStart, duration, tuners, kind, mask) == AddTimerResult::kAdded;
  }

  common::ErrorCapture errors_;
};

TEST_F(TimerListTest, RefusesTheTimerAfterTheListIsFull) {
  TimerList list;
  const std::int64_t base = Wall(2026, 1, 5, 0, 0);
  for (int i = 0; i < kMaxTimers; ++i)
    ASSERT_TRUE(Add(list, base + i * 3600, 1800, 1)) << i;
  EXPECT_EQ(AddResult(list, base - 7200, 1800, 1), AddTimerResult::kListFull);
  EXPECT_EQ(list.count(), kMaxTimers);
  // The refusal is the caller's to show.
  EXPECT_TRUE(errors_.Messages().empty());
}

TEST_F(TimerListTest, RefusesATimerOfNoTimeOrLongerThanADay) {
  TimerList list;
  const std::int64_t start = Wall(2026, 6, 10, 20, 0);
  EXPECT_EQ(AddResult(list, start, 0, 1), AddTimerResult::kInvalidDuration);
  EXPECT_EQ(AddResult(list, start, kMaxTimerDuration + 1, 1), AddTimerResult::kInvalidDuration);
  EXPECT_TRUE(Add(list, start, kMaxTimerDuration, 1));
  EXPECT_EQ(list.count(), 1);
}

TEST_F(TimerListTest, OnceTimersConflictUpToTheNumberOfTuners) {
  const std::int64_t day = Wall(2026, 6, 10, 0, 0);
  TimerList one;
  ASSERT_TRUE(Add(one, day + 20 * 3600, 3600, 1));
  EXPECT_EQ(AddResult(one, day + 20 * 3600 + 1800, 900, 1), AddTimerResult::kConflict);
  EXPECT_TRUE(Add(one, day + 21 * 3600, 3600, 1));  // the end is exclusive

  TimerList two;
  ASSERT_TRUE(Add(two, day + 20 * 3600, 3600, 2));          // 20:00-21:00
  ASSERT_TRUE(Add(two, day + 20 * 3600 + 1800, 3600, 2));   // 20:30-21:30
  EXPECT_FALSE(Add(two, day + 20 * 3600 + 2700, 1800, 2));  // overlaps both
  EXPECT_TRUE(Add(two, day + 19 * 3600, 4500, 2));          // 19:00-20:15 overlaps one
  EXPECT_EQ(two.count(), 3);
}

TEST_F(TimerListTest, APairOfWeeklyTimersIsOneConflictHoweverManyDaysOverlap) {
  const std::int64_t monday = Wall(2026, 6, 8, 20, 0);
  TimerList list;
  ASSERT_TRUE(Add(list, monday, 3600, 2, RepeatKind::kWeekly, 0x7F));
  EXPECT_TRUE(Add(list, monday, 3600, 2, RepeatKind::kWeekly, 0x7F));   // 1 < 2 tuners
  EXPECT_FALSE(Add(list, monday, 3600, 2, RepeatKind::kWeekly, 0x7F));  // 2 >= 2

  // Weekly against once: a Wednesday evening recording meets the daily timer.
  TimerRecord once = NewTimerRecord(Utc(monday));
  once.wallClockStart = Wall(2026, 6, 10, 20, 30);
  once.duration = 600;
  EXPECT_EQ(list.CountConflicts(once), 2);
  once.wallClockStart = Wall(2026, 6, 10, 21, 0);
  EXPECT_EQ(list.CountConflicts(once), 0);
  // Only on the listed days.
  TimerList fridays;
  ASSERT_TRUE(Add(fridays, monday, 3600, 1, RepeatKind::kWeekly, 0x02));
  once.wallClockStart = Wall(2026, 6, 12, 20, 30);
  EXPECT_EQ(fridays.CountConflicts(once), 1);
  once.wallClockStart = Wall(2026, 6, 11, 20, 30);
  EXPECT_EQ(fridays.CountConflicts(once), 0);
}

TEST_F(TimerListTest, WeeklyTimerCrossingMidnightIsDueOnTheFollowingMorning) {
  TimerList list;
  ASSERT_TRUE(
      Add(list, Wall(2026, 6, 8, 23, 30), 3600, 1, RepeatKind::kWeekly, 0x3E));  // M-F 23:30
  const TimerRecord& t = list[0];
  EXPECT_TRUE(IsDue(t, Utc(Wall(2026, 6, 13, 0, 15))));    // Saturday: Friday's occurrence
  EXPECT_FALSE(IsDue(t, Utc(Wall(2026, 6, 15, 0, 15))));   // Monday: no Sunday occurrence
  EXPECT_TRUE(IsDue(t, Utc(Wall(2026, 6, 15, 23, 45))));   // Monday evening
  EXPECT_FALSE(IsDue(t, Utc(Wall(2026, 6, 14, 23, 45))));  // Sunday evening
  // Weekly timers are due on their days also before their first date.
  EXPECT_TRUE(IsDue(t, Utc(Wall(2026, 1, 6, 23, 40))));

  TimerRecord once = t;
  once.repeatKind = RepeatKind::kOnce;
  EXPECT_TRUE(IsDue(once, once.start));
  EXPECT_FALSE(IsDue(once, once.end));
  once.repeatKind = static_cast<RepeatKind>(7);
  EXPECT_FALSE(IsDue(once, once.start));
}

TEST_F(TimerListTest, WeeklyDueTestFollowsLocalTimeAcrossDaylightSaving) {
  TimerList list;
  // Daily 20:00-21:00, created in winter.
  ASSERT_TRUE(Add(list, Wall(2026, 1, 5, 20, 0), 3600, 1, RepeatKind::kWeekly, 0x7F));
  EXPECT_TRUE(IsDue(list[0], Utc(Wall(2026, 7, 1, 20, 10))));  // summer time, 20:10 local
  EXPECT_FALSE(IsDue(list[0], Utc(Wall(2026, 7, 1, 19, 10))));
}

TEST_F(TimerListTest, TimerTexts) {
  TimerList list;
  ASSERT_TRUE(Add(list, Wall(2026, 6, 8, 20, 0), 3600, 1, RepeatKind::kWeekly, 0x3E));
  tuning::ChannelLocator ch = tuning::ChannelLocator::Make(31, 1, 5, 0, 1);
  list[0].channel = ch;
  EXPECT_EQ(TimerText(list[0]), "M-F      8:00PM- 9:00PM Ch 5.1 News");
  list[0].dayMask = 0x2A;
  EXPECT_EQ(TimerText(list[0]), "-M-W-F-  8:00PM- 9:00PM Ch 5.1 News");
  list[0].dayMask = 0x7F;
  EXPECT_EQ(TimerText(list[0]), "Daily    8:00PM- 9:00PM Ch 5.1 News");
  list[0].repeatKind = RepeatKind::kOnce;
  list[0].wallClockStart = Wall(2026, 12, 24, 0, 5);
  list[0].duration = 12 * 3600;
  EXPECT_EQ(TimerText(list[0]), "12/24   12:05AM-12:05PM Ch 5.1 News");
  list[0].repeatKind = static_cast<RepeatKind>(2);
  EXPECT_EQ(TimerText(list[0]), "");
}

TEST_F(TimerListTest, NewRecordStartsAtTheNextWholeHour) {
  const std::int64_t thursday = Utc(Wall(2026, 6, 11, 14, 0));
  const TimerRecord r = NewTimerRecord(thursday);  // exactly on the hour: the following one
  EXPECT_EQ(r.start, thursday + 3600);
  EXPECT_EQ(r.end, r.start + 3600);
  EXPECT_EQ(r.dayMask, 0x04);  // Thursday
  EXPECT_EQ(r.tunerIndex, -1);
  EXPECT_EQ(NewTimerRecord(thursday + 59).start, thursday + 3600);
  EXPECT_NE(NewTimerRecord(thursday).identity, r.identity);
}

TEST_F(TimerListTest, RemoveStopsARunningRecordingAndClosesTheGap) {
  TimerList list;
  const std::int64_t day = Wall(2026, 6, 10, 0, 0);
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(Add(list, day + i * 7200, 3600, 1));
  const GUID second = list[1].identity;
  const GUID third = list[2].identity;
  list[1].graphLink = 1;
  int stopped = 0;
  list.SetStopRecordingHook([&](TimerRecord& t) {
    EXPECT_EQ(t.identity, second);
    ++stopped;
  });
  list.RemoveTimer(1);
  EXPECT_EQ(stopped, 1);
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list[1].identity, third);
  EXPECT_TRUE(list.RemoveByIdentity(third));
  EXPECT_FALSE(list.RemoveByIdentity(third));
  EXPECT_EQ(list.count(), 1);
}

TEST_F(TimerListTest, SecondsToNextTimer) {
  TimerList list;
  const std::int64_t now = Utc(Wall(2026, 6, 10, 12, 0));  // a Wednesday
  EXPECT_FALSE(list.SecondsToNextTimer(now).has_value());
  ASSERT_TRUE(Add(list, Wall(2026, 6, 10, 12, 10), 600, 4));
  EXPECT_EQ(list.SecondsToNextTimer(now), 600);
  // A weekly timer whose time of day has just passed today, only today's bit.
  ASSERT_TRUE(
      Add(list, Wall(2026, 6, 3, 11, 59), 600, 4, RepeatKind::kWeekly, 0x08));  // Wednesdays
  list.RemoveTimer(0);
  EXPECT_EQ(list.SecondsToNextTimer(now), 7 * 86400 - 60);
  // A once timer that has already started does not hold back a later one.
  ASSERT_TRUE(Add(list, Wall(2026, 6, 10, 11, 0), 7200, 4));
  EXPECT_EQ(list.SecondsToNextTimer(now), 7 * 86400 - 60);
  ASSERT_TRUE(Add(list, Wall(2026, 6, 10, 12, 0), 600, 4));  // starting now
  EXPECT_EQ(list.SecondsToNextTimer(now), 0);
}

TEST_F(TimerListTest, SecondsToNextTimerCountsRealSecondsAcrossClockChanges) {
  TimerList list;
  ASSERT_TRUE(
      Add(list, Wall(2026, 1, 4, 20, 0), 3600, 1, RepeatKind::kWeekly, 0x40));  // Sundays 20:00
  // Saturday 20:00 before the spring change: 24 local hours, 23 real ones.
  EXPECT_EQ(list.SecondsToNextTimer(Utc(Wall(2026, 3, 7, 20, 0))), 23 * 3600);
  // Saturday 20:00 before the autumn change: 25 real hours.
  EXPECT_EQ(list.SecondsToNextTimer(Utc(Wall(2026, 10, 31, 20, 0))), 25 * 3600);
}

TEST_F(TimerListTest, IsScheduledMarksOverlappingSpansOnTheSameChannel) {
  TimerList list;
  ASSERT_TRUE(Add(list, Wall(2026, 6, 10, 20, 0), 3600, 1));
  ASSERT_TRUE(Add(list, Wall(2026, 6, 8, 6, 0), 1800, 1, RepeatKind::kWeekly, 0x3E));
  const auto ch = tuning::ChannelLocator::Make(7, 1, 7, 0, 1);
  EXPECT_TRUE(list.IsScheduled(ch.key1, ch.key2, Wall(2026, 6, 10, 20, 30), 1800));
  EXPECT_FALSE(list.IsScheduled(ch.key1, ch.key2, Wall(2026, 6, 10, 21, 0), 1800));
  EXPECT_FALSE(list.IsScheduled(ch.key1 + 1, ch.key2, Wall(2026, 6, 10, 20, 30), 1800));
  EXPECT_TRUE(list.IsScheduled(ch.key1, ch.key2, Wall(2026, 6, 12, 6, 0), 1800));   // Friday
  EXPECT_FALSE(list.IsScheduled(ch.key1, ch.key2, Wall(2026, 6, 13, 6, 0), 1800));  // Saturday
}

}  // namespace
}  // namespace recording

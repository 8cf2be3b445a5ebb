#include "recording/scheduler/Scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "common/TimeBase.h"
#include "recording/TimerForms.h"
#include "tests/recording/SchedulerFakes.h"
#include "tests/support/TimeZone.h"

namespace recording {
namespace {

using testing::FakeClock;
using testing::FakeGraph;
using testing::FakePower;
using testing::FakeShell;
using testing::Recorded;

tuning::ChannelLocator Channel(std::uint8_t physical) {
  return tuning::ChannelLocator::Make(physical, 1, physical, 0, 1);
}

// Wall-clock seconds of a local date and time.
std::int64_t Wall(int year, int month, int day, int hour, int minute, int second = 0) {
  return testsupport::UtcSeconds(year, month, day, hour, minute, second);
}

class SchedulerTest : public ::testing::Test {
 protected:
  SchedulerTest() { scheduler_.SetStartupComplete(); }

  FakeGraph& AddGraph(std::uint8_t tuner = kTunerNone, std::uint8_t player = kPlayerNone) {
    graphs_.push_back(std::make_unique<FakeGraph>(clock_, tuner, player));
    std::vector<IRecorderGraph*> all;
    for (auto& g : graphs_)
      all.push_back(g.get());
    scheduler_.SetGraphs(all);
    return *graphs_.back();
  }

  GUID Add(std::int64_t wallStart, std::uint32_t duration, std::uint8_t physical,
           RepeatKind kind = RepeatKind::kOnce, std::uint8_t mask = 0) {
    const auto start = static_cast<std::uint32_t>(common::UtcFromWallClock(wallStart));
    const AddTimerResult r = timers_.AddTimer(Channel(physical), start, start + duration, u"Show",
                                              kind, mask, wallStart, duration, 2);
    EXPECT_EQ(r, AddTimerResult::kAdded);
    return timers_[timers_.count() - 1].identity;
  }

  // Sets the clock to a local time and runs the tick there.
  void TickAt(std::int64_t wall) {
    clock_.Set(common::UtcFromWallClock(wall));
    scheduler_.Tick();
  }
  void Run(std::int64_t seconds) {
    for (std::int64_t s = 0; s < seconds; ++s) {
      clock_.Advance(1);
      scheduler_.Tick();
    }
  }

  testsupport::ScopedTimeZone zone_{"EST5EDT,M3.2.0,M11.1.0"};
  FakeClock clock_{common::UtcFromWallClock(Wall(2026, 6, 10, 19, 0))};
  FakePower power_;
  FakeShell shell_;
  tuning::ChannelList channels_;
  TimerList timers_;
  bool busy_ = false;
  Scheduler scheduler_{{timers_, clock_, power_, shell_, channels_, busy_}};
  std::vector<std::unique_ptr<FakeGraph>> graphs_;
};

const std::int64_t kEight = Wall(2026, 6, 10, 20, 0);  // a Wednesday

// --- Starting and stopping ------------------------------------------------

TEST_F(SchedulerTest, TwoTimersDueInTheSameSecondStartInConsecutiveTicks) {
  FakeGraph& first = AddGraph();
  FakeGraph& second = AddGraph();
  Add(kEight, 1800, 7);
  Add(kEight, 1800, 9);
  TickAt(kEight);
  EXPECT_EQ(first.TunerState(), kTunerRecording);
  EXPECT_EQ(second.TunerState(), kTunerNone);
  Run(1);
  EXPECT_EQ(second.TunerState(), kTunerRecording);
  EXPECT_EQ(second.current.physical(), 9);
}

TEST_F(SchedulerTest, ATunerShowingLiveVideoRecordsWhileViewingOnTheTimersChannel) {
  FakeGraph& g = AddGraph(kTunerBuffered, kPlayerTimeShift);
  Add(kEight, 1800, 9);
  TickAt(kEight);
  EXPECT_EQ(g.TunerState() + g.PlayerState(), 50);
  // The tune comes before the recording, so the file begins on the channel.
  EXPECT_EQ(g.log, (std::vector<std::string>{"tune now 9", "state 50"}));
  EXPECT_EQ(shell_.banners, std::vector<int>{0});
  EXPECT_EQ(g.title, u"Show");
}

TEST_F(SchedulerTest, EachStateStartsTheRecordingThroughItsOwnRow) {
  struct Case {
    std::uint8_t tuner, player;
    const char* request;
  };
  const Case cases[] = {{kTunerNone, kPlayerNone, "state 48"},
                        {kTunerNone, kPlayerFile, "state 51"},
                        {kTunerLive, kPlayerNone, "state 48"},  // the guide pass
                        {kTunerBuffered, kPlayerTimeShift, "state 50"},
                        {kTunerBuffered, kPlayerFile, "state 51"}};
  for (const Case& c : cases) {
    graphs_.clear();
    FakeGraph& g = AddGraph(c.tuner, c.player);
    timers_.Clear();
    Add(kEight, 1800, 9);
    TickAt(kEight);
    EXPECT_EQ(g.log.back(), c.request) << int(c.tuner + c.player);
  }
}

TEST_F(SchedulerTest, ATunerInAStateWithoutARecordingRowIsNotChosen) {
  FakeGraph& live = AddGraph(kTunerLive, kPlayerLive);
  Add(kEight, 1800, 9);
  TickAt(kEight);
  EXPECT_TRUE(live.log.empty());
  EXPECT_EQ(live.claims, 0);
}

TEST_F(SchedulerTest, AFailedStartIsNoticedOnceAndNotRetriedEverySecond) {
  FakeGraph& g = AddGraph(kTunerBuffered, kPlayerTimeShift);
  g.failRecording = true;
  Add(kEight, 1800, 9);
  TickAt(kEight);
  Run(60);
  EXPECT_EQ(std::count(g.log.begin(), g.log.end(), "state 50"), 1);
  EXPECT_EQ(shell_.notices.size(), 1u);
  EXPECT_EQ(g.origin, RecordingOrigin::kNone);
  TickAt(kEight + 1800);
  EXPECT_EQ(g.claims, 0);
}

TEST_F(SchedulerTest, AGraphThatScansIsChosenOnlyWhenNoOtherIsFree) {
  FakeGraph& scanned = AddGraph(kTunerBuffered, kPlayerTimeShift);
  scanned.scanning = true;
  FakeGraph& other = AddGraph(kTunerBuffered, kPlayerTimeShift);
  Add(kEight, 1800, 7);
  Add(kEight, 1800, 9);
  TickAt(kEight);
  EXPECT_EQ(other.TunerState(), kTunerRecording);
  EXPECT_EQ(scanned.TunerState(), kTunerBuffered);
  Run(1);
  EXPECT_EQ(scanned.TunerState(), kTunerRecording);
}

TEST_F(SchedulerTest, StoppingAWeeklyTimerByHandKeepsItAndFreesTheTuner) {
  FakeGraph& g = AddGraph();
  const GUID weekly = Add(kEight, 1800, 7, RepeatKind::kWeekly, 0x7F);
  Add(kEight + 2400, 600, 9);
  TickAt(kEight);
  scheduler_.StopRecordingByUser(0);
  EXPECT_EQ(g.TunerState(), kTunerNone);
  Run(600);  // the occurrence is not started again
  EXPECT_EQ(g.recordings.size(), 1u);
  TickAt(kEight + 1800);
  ASSERT_EQ(FindTimer(timers_, weekly), 0);
  EXPECT_EQ(timers_[0].recording, 0);
  TickAt(kEight + 2400);  // the tuner takes the next timer
  ASSERT_EQ(g.recordings.size(), 2u);
  EXPECT_EQ(g.recordings[1].channel.physical(), 9);
}

TEST_F(SchedulerTest, StoppingAOnceTimerByHandRemovesIt) {
  FakeGraph& g = AddGraph(kTunerBuffered, kPlayerTimeShift);
  Add(kEight, 1800, 7);
  TickAt(kEight);
  scheduler_.StopRecordingByUser(0);
  EXPECT_EQ(g.TunerState() + g.PlayerState(), 34);
  EXPECT_EQ(timers_.count(), 0);
  EXPECT_EQ(g.claims, 0);
}

TEST_F(SchedulerTest, AManualRecordingIsStoppedToTheBufferedTuner) {
  FakeGraph& g = AddGraph(kTunerRecording, kPlayerTimeShift);
  g.origin = RecordingOrigin::kManual;
  scheduler_.StopRecordingByUser(0);
  EXPECT_EQ(g.log, std::vector<std::string>{"state 34"});
  EXPECT_EQ(g.origin, RecordingOrigin::kNone);
}

TEST_F(SchedulerTest, DeletingARecordingTimerStopsItAndFreesTheTuner) {
  FakeGraph& g = AddGraph();
  const GUID id = Add(kEight, 1800, 7);
  TickAt(kEight);
  TimersDialogModel dialog(timers_);
  EXPECT_TRUE(dialog.Delete(id));
  EXPECT_EQ(g.TunerState(), kTunerNone);
  EXPECT_EQ(g.claims, 0);
  EXPECT_EQ(g.identity, GUID{});
}

TEST_F(SchedulerTest, AGraphRestartLeavesNoTimerLinkOnTheNewGraphs) {
  AddGraph();
  Add(kEight, 1800, 7);
  TickAt(kEight);
  graphs_.clear();
  FakeGraph& fresh = AddGraph(kTunerRecording);  // a manual recording runs there
  fresh.origin = RecordingOrigin::kManual;
  EXPECT_EQ(timers_[0].graphLink, 0u);
  EXPECT_EQ(timers_[0].recording, 0);
}

TEST_F(SchedulerTest, AnOccurrenceEndLeavesAnotherRecordingOnItsGraphAlone) {
  FakeGraph& g = AddGraph(kTunerBuffered, kPlayerTimeShift);
  g.failRecording = true;
  Add(kEight, 1800, 9);
  TickAt(kEight);  // fails; the claim stays until the end
  g.failRecording = false;
  g.RequestGraphState(kTunerRecording, kPlayerTimeShift);  // the user records by hand
  g.origin = RecordingOrigin::kManual;
  TickAt(kEight + 1800);
  EXPECT_EQ(g.TunerState(), kTunerRecording);
  EXPECT_EQ(g.claims, 0);
}

TEST_F(SchedulerTest, AWeeklyTimerRecordsOnceInTheRepeatedAutumnHour) {
  FakeGraph& g = AddGraph();
  // Daylight saving ends on Sunday 1 November 2026 at 02:00: 01:00-02:00 twice.
  Add(Wall(2026, 11, 1, 1, 15), 1800, 7, RepeatKind::kWeekly, DayBit(0));
  TickAt(Wall(2026, 11, 1, 1, 0));
  Run(3 * 3600);
  EXPECT_EQ(g.recordings.size(), 1u);
}

// --- Power and session ---------------------------------------------------

TEST_F(SchedulerTest, SuspendArmsTheWakeTimerThirtySecondsBeforeTheNextTimer) {
  Add(kEight, 1800, 7);
  clock_.Set(common::UtcFromWallClock(kEight - 20));
  scheduler_.SuspendNotice();
  EXPECT_EQ(power_.wakeIn, 20);  // never past the start
  clock_.Set(common::UtcFromWallClock(kEight - 600));
  scheduler_.SuspendNotice();
  EXPECT_EQ(power_.wakeIn, 570);
}

TEST_F(SchedulerTest, AWeeklyTimerJustPassedWakesAlmostAWeekLater) {
  Add(kEight, 1800, 7, RepeatKind::kWeekly, DayBit(WallClockWeekday(kEight)));
  clock_.Set(common::UtcFromWallClock(kEight + 5));
  scheduler_.SuspendNotice();
  EXPECT_EQ(power_.wakeIn, kWeekSeconds - 5 - 30);
}

TEST_F(SchedulerTest, SuspendWithoutATimerCancelsAnArmedWakeTimer) {
  const GUID id = Add(kEight, 1800, 7);
  scheduler_.SuspendNotice();
  ASSERT_TRUE(power_.wakeIn.has_value());
  timers_.RemoveByIdentity(id);
  scheduler_.SuspendNotice();
  EXPECT_FALSE(power_.wakeIn.has_value());
}

TEST_F(SchedulerTest, ARefusedShutDownEndsTheProgramAfterTheRecording) {
  AddGraph();
  Add(kEight, 1800, 7);
  TickAt(kEight);
  Run(1);
  EXPECT_TRUE(power_.held);
  EXPECT_FALSE(scheduler_.QueryEndSession());
  EXPECT_EQ(shell_.questions, 0);
  TickAt(kEight + 1800);
  Run(1);
  EXPECT_FALSE(power_.held);
  EXPECT_TRUE(shell_.exited);
}

TEST_F(SchedulerTest, WithoutAShutDownBlockTheUserIsAsked) {
  AddGraph(kTunerRecording);
  power_.canBlock = false;
  shell_.answer = false;
  EXPECT_FALSE(scheduler_.QueryEndSession());
  EXPECT_EQ(shell_.questions, 1);
  EXPECT_FALSE(scheduler_.ExitAfterRecording());
}

TEST_F(SchedulerTest, WatchingKeepsTheDisplayOnExceptInAwayMode) {
  AddGraph(kTunerBuffered, kPlayerTimeShift);
  Run(2);
  scheduler_.AwayModeNotice(true);
  Run(3);
  EXPECT_EQ(power_.keepOnCalls, 2);
  EXPECT_EQ(power_.screenSaverResets, 5);
}

TEST_F(SchedulerTest, NothingHappensWhileAStateChangeRuns) {
  FakeGraph& g = AddGraph();
  Add(kEight, 1800, 7);
  busy_ = true;
  TickAt(kEight);
  EXPECT_TRUE(g.log.empty());
}

// --- Guide pass ------------------------------------------------------------

class GuidePassTest : public SchedulerTest {
 protected:
  GuidePassTest() {
    for (const auto& [physical, minor] : {std::pair{7, 1}, {7, 2}, {9, 1}, {11, 1}}) {
      tuning::ChannelRecord record;
      record.locator = tuning::ChannelLocator::Make(static_cast<std::uint8_t>(physical),
                                                    static_cast<std::uint16_t>(minor),
                                                    static_cast<std::uint16_t>(physical), 0, 1);
      record.enabled = 1;
      channels_.InsertSorted(record);
    }
    scheduler_.SetGuidePass(true);
  }
};

TEST_F(GuidePassTest, DoesNothingWhileTheUserWatches) {
  FakeGraph& g = AddGraph(kTunerBuffered, kPlayerTimeShift);
  Run(100);
  EXPECT_TRUE(g.log.empty());
}

TEST_F(GuidePassTest, VisitsEveryPhysicalChannelOnceThenRests) {
  FakeGraph& g = AddGraph();
  Run(1 + 3 * GuidePass::kTicksPerChannel);
  EXPECT_EQ(g.log,
            (std::vector<std::string>{"state 16", "tune 7", "tune 9", "tune 11", "state 0"}));
  EXPECT_EQ(scheduler_.Guide().Countdown(), GuidePass::kRestAfterRound);
}

TEST_F(GuidePassTest, SuspendStopsThePassForThirtyTicks) {
  FakeGraph& g = AddGraph();
  Run(1);
  scheduler_.SuspendNotice();
  EXPECT_EQ(g.TunerState(), kTunerNone);
  EXPECT_EQ(scheduler_.Guide().Countdown(), GuidePass::kRestAfterSuspend);
}

// --- A week --------------------------------------------------------------

// Every occurrence of mixed once and weekly timers in a simulated week is
// recorded from its start (at most a second late when two start together) to
// its end, and no tuner records two at once.
class SimulatedWeekTest : public SchedulerTest, public ::testing::WithParamInterface<int> {};

TEST_P(SimulatedWeekTest, MissesNoOccurrenceAndOverlapsNone) {
  const int tuners = GetParam();
  for (int i = 0; i < tuners; ++i)
    AddGraph();
  const std::int64_t monday = Wall(2026, 6, 8, 0, 0), day = kDaySeconds, hour = 3600;
  using enum RepeatKind;
  struct Plan {
    std::int64_t start;
    std::uint32_t duration;
    RepeatKind kind;
    std::uint8_t mask;
  };
  std::vector<Plan> plans = {
      {monday + 20 * hour, 3600, kWeekly, kMondayToFriday},
      {monday + 9 * hour + 1800, 5400, kWeekly, 0x41},        // weekends
      {monday + 23 * hour + 1800, 2700, kWeekly, kEveryDay},  // past midnight
      {monday + day + 21 * hour, 1800, kOnce, 0},             // right after M-F
      {monday + 3 * day + 12 * hour, 3600, kOnce, 0},
      {monday + 5 * day + 11 * hour, 1800, kOnce, 0}};  // after the weekend
  if (tuners == 2) {                                    // each overlapping one of the above
    plans.push_back({monday + 2 * day + 20 * hour + 1800, 3600, kWeekly, DayBit(3)});
    plans.push_back({monday + 4 * day + 23 * hour + 2700, 1800, kOnce, 0});
  }
  std::vector<Recorded> expected;
  for (std::size_t i = 0; i < plans.size(); ++i) {
    const Plan& p = plans[i];
    const auto start = static_cast<std::uint32_t>(common::UtcFromWallClock(p.start));
    ASSERT_EQ(
        timers_.AddTimer(Channel(static_cast<std::uint8_t>(7 + i)), start, start + p.duration,
                         u"Show", p.kind, p.mask, p.start, p.duration, scheduler_.ConflictLimit()),
        AddTimerResult::kAdded);
    for (std::int64_t wall = monday + common::FloorMod(p.start, day); wall < monday + 7 * day;
         wall += day) {
      if (p.kind == kOnce ? wall == p.start : (p.mask & DayBit(WallClockWeekday(wall))) != 0)
        expected.push_back({timers_[static_cast<int>(i)].channel, common::UtcFromWallClock(wall),
                            common::UtcFromWallClock(wall) + p.duration});
    }
  }
  ASSERT_GT(expected.size(), plans.size());  // the weekly plans occur on several days
  clock_.Set(common::UtcFromWallClock(monday + hour));
  Run(kWeekSeconds);

  std::vector<Recorded> all;
  for (auto& g : graphs_) {
    auto& r = g->recordings;
    for (std::size_t i = 1; i < r.size(); ++i)
      EXPECT_LE(r[i - 1].end, r[i].begin) << "two recordings at once on one tuner";
    all.insert(all.end(), r.begin(), r.end());
  }
  EXPECT_EQ(all.size(), expected.size());
  for (const Recorded& e : expected) {
    // A start may come a second late when another timer starts in that second.
    EXPECT_EQ(std::count_if(all.begin(), all.end(),
                            [&e](const Recorded& r) {
                              return r.channel.key1 == e.channel.key1 && r.begin - e.begin <= 1 &&
                                     r.begin >= e.begin && r.end == e.end;
                            }),
              1)
        << "channel " << int(e.channel.physical()) << " at " << common::TimeText(e.begin);
  }
}

INSTANTIATE_TEST_SUITE_P(Tuners, SimulatedWeekTest, ::testing::Values(1, 2));

}  // namespace
}  // namespace recording

// The scheduler on the power service: what it asks arrives at logind's
// stand-in and the alarm clock as the scheduler means it.
#include <gtest/gtest.h>

#include "common/TimeBase.h"
#include "platform/power/PowerService.h"
#include "platform/power/RecordedPowerBus.h"
#include "recording/scheduler/Scheduler.h"
#include "tests/power/FakeWakeAlarm.h"
#include "tests/recording/SchedulerFakes.h"

namespace power {
namespace {

using recording::testing::FakeClock;
using recording::testing::FakeGraph;
using recording::testing::FakeShell;

class SchedulerPowerTest : public ::testing::Test {
 protected:
  static std::vector<std::unique_ptr<IWakeAlarm>> Alarms(testing::FakeAlarmState& state) {
    std::vector<std::unique_ptr<IWakeAlarm>> alarms;
    alarms.push_back(std::make_unique<testing::FakeWakeAlarm>(state));
    return alarms;
  }

  void AddTimer(std::int64_t start, std::uint32_t duration) {
    const auto wall = common::WallClockFromUtc(start);
    timers_.AddTimer(tuning::ChannelLocator::Make(7, 1, 7, 0, 1), static_cast<std::uint32_t>(start),
                     static_cast<std::uint32_t>(start + duration), u"Show",
                     recording::RepeatKind::kOnce, 0, wall, duration, 2);
  }

  FakeClock clock_{1'800'000'000};
  RecordedPowerBus bus_;
  testing::FakeAlarmState alarm_;
  WakeTimer wakeTimer_{Alarms(alarm_)};
  PowerService power_{bus_, wakeTimer_, [this] { return clock_.NowUtc(); }};
  FakeShell shell_;
  tuning::ChannelList channels_;
  recording::TimerList timers_;
  bool busy_ = false;
  recording::Scheduler scheduler_{{timers_, clock_, power_, shell_, channels_, busy_}};
};

TEST_F(SchedulerPowerTest, SuspendArmsTheAlarmThirtySecondsBeforeTheNextTimer) {
  AddTimer(clock_.NowUtc() + 600, 1800);
  scheduler_.SuspendNotice();
  EXPECT_EQ(alarm_.setTo, clock_.NowUtc() + 570);
}

TEST_F(SchedulerPowerTest, ATimerRecordingHoldsSleepAndShutdownUntilItEnds) {
  FakeGraph graph(clock_, recording::kTunerNone, recording::kPlayerNone);
  scheduler_.SetGraphs({&graph});
  scheduler_.SetStartupComplete();
  AddTimer(clock_.NowUtc(), 60);
  scheduler_.Tick();
  scheduler_.Tick();
  EXPECT_TRUE(power_.Holding());
  clock_.Advance(61);
  scheduler_.Tick();
  scheduler_.Tick();
  EXPECT_FALSE(power_.Holding());
}

}  // namespace
}  // namespace power

#include "platform/power/PowerService.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/power/RecordedPowerBus.h"
#include "platform/power/SystemPower.h"
#include "tests/power/FakeWakeAlarm.h"
#include "tests/support/Wait.h"

namespace power {
namespace {

using Lines = std::vector<std::string>;

class PowerServiceTest : public ::testing::Test {
 protected:
  static std::vector<std::unique_ptr<IWakeAlarm>> Alarms(testing::FakeAlarmState& state) {
    std::vector<std::unique_ptr<IWakeAlarm>> alarms;
    alarms.push_back(std::make_unique<testing::FakeWakeAlarm>(state));
    return alarms;
  }

  std::int64_t now_ = 1'800'000'000;
  RecordedPowerBus bus_;
  testing::FakeAlarmState alarm_;
  WakeTimer wakeTimer_{Alarms(alarm_)};
  PowerService service_{bus_, wakeTimer_, [this] { return now_; }};
};

// --- Inhibitor locks -------------------------------------------------------

TEST_F(PowerServiceTest, TheRecordingLockIsTakenOnceAndReleasedByTheLastHolder) {
  service_.HoldForRecording();
  service_.HoldForRecording();
  service_.ReleaseRecordingHold();
  EXPECT_EQ(bus_.Held(), Lines{"sleep:shutdown block"});
  service_.ReleaseRecordingHold();
  EXPECT_EQ(bus_.Log(), (Lines{"take sleep:shutdown block: Recording in progress.",
                               "release sleep:shutdown block"}));
}

TEST_F(PowerServiceTest, AReleaseWithoutAHoldTakesNothingAway) {
  service_.ReleaseRecordingHold();
  service_.HoldForRecording();
  EXPECT_TRUE(service_.Holding());
}

TEST_F(PowerServiceTest, KeepAwakeHoldsTheIdleLockWhileRenewed) {
  service_.KeepSystemAndDisplayOn();
  now_ += PowerService::kKeepAwakeSeconds - 1;
  service_.ResetScreenSaver();
  now_ += PowerService::kKeepAwakeSeconds - 1;
  service_.Expire();
  EXPECT_EQ(bus_.Log(), Lines{"take idle block: Watching television."});
}

TEST_F(PowerServiceTest, KeepAwakeLapsesWithoutRenewal) {
  service_.KeepSystemAndDisplayOn();
  now_ += PowerService::kKeepAwakeSeconds;
  service_.Expire();
  EXPECT_FALSE(service_.Watching());
  EXPECT_TRUE(bus_.Held().empty());
}

// --- Wake timer ------------------------------------------------------------

TEST_F(PowerServiceTest, TheWakeTimerIsArmedAtNowPlusTheDelay) {
  service_.ArmWakeTimer(570);
  EXPECT_EQ(alarm_.setTo, now_ + 570);
  service_.CancelWakeTimer();
  EXPECT_FALSE(alarm_.setTo.has_value());
}

TEST_F(PowerServiceTest, ARefusedAlarmClockDoesNotStopTheService) {
  alarm_.openError = EPERM;
  ::testing::internal::CaptureStdout();
  service_.ArmWakeTimer(570);
  EXPECT_NE(::testing::internal::GetCapturedStdout().find("CreateWaitableTimer failed"),
            std::string::npos);
  service_.HoldForRecording();
  EXPECT_TRUE(service_.Holding());
}

// --- Notices ---------------------------------------------------------------

class PowerNoticeTest : public PowerServiceTest {
 protected:
  void SetUp() override {
    service_.Start([this](PowerNotice n) {
      std::lock_guard lock(mutex_);
      notices_.push_back(n);
    });
  }
  bool Received(std::size_t count) {
    return testsupport::WaitUntil([&] {
      std::lock_guard lock(mutex_);
      return notices_.size() >= count;
    });
  }

  std::mutex mutex_;
  std::vector<PowerNotice> notices_;
};

TEST_F(PowerNoticeTest, StartDelaysSleepAndShutdown) {
  EXPECT_EQ(bus_.Held(), (Lines{"sleep delay", "shutdown delay"}));
}

TEST_F(PowerNoticeTest, PrepareForSleepReachesTheSink) {
  bus_.Post({BusSignalKind::kPrepareForSleep, true});
  ASSERT_TRUE(Received(1));
  EXPECT_EQ(notices_[0], PowerNotice::kSuspend);
}

TEST_F(PowerNoticeTest, AHandledSuspendLetsSleepGoOnAndResumeDelaysItAgain) {
  bus_.Post({BusSignalKind::kPrepareForSleep, true});
  ASSERT_TRUE(Received(1));
  service_.NoticeHandled(PowerNotice::kSuspend);
  EXPECT_FALSE(service_.SleepDelayed());
  bus_.Post({BusSignalKind::kPrepareForSleep, false});
  ASSERT_TRUE(Received(2));
  EXPECT_EQ(notices_[1], PowerNotice::kResume);
  EXPECT_TRUE(service_.SleepDelayed());
}

TEST_F(PowerNoticeTest, PrepareForShutdownIsTheSessionEnd) {
  bus_.Post({BusSignalKind::kPrepareForShutdown, true});
  ASSERT_TRUE(Received(1));
  EXPECT_EQ(notices_[0], PowerNotice::kShutdown);
  service_.NoticeHandled(PowerNotice::kShutdown);
  EXPECT_FALSE(service_.ShutdownDelayed());
}

TEST_F(PowerNoticeTest, ACalledOffShutdownIsDelayedAgainWithoutANotice) {
  service_.NoticeHandled(PowerNotice::kShutdown);
  bus_.Post({BusSignalKind::kPrepareForShutdown, false});
  ASSERT_TRUE(testsupport::WaitUntil([&] { return service_.ShutdownDelayed(); }));
  service_.Stop();
  EXPECT_TRUE(notices_.empty());
}

// --- This machine ----------------------------------------------------------

TEST(SystemPowerTest, WithoutASystemBusTheStandInRecordsWithOneTrace) {
  ::testing::internal::CaptureStdout();
  SystemPower power;
  const std::string trace = ::testing::internal::GetCapturedStdout();
  if (power.Available()) GTEST_SKIP() << "this machine has logind on its system bus";
  EXPECT_EQ(trace.rfind("Power management is not available", 0), 0u);
  EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 1);
  EXPECT_FALSE(power.Service().CanBlockShutdown());
  power.Service().HoldForRecording();
  EXPECT_EQ(power.RecordedAsks(), Lines{"take sleep:shutdown block: Recording in progress."});
}

}  // namespace
}  // namespace power

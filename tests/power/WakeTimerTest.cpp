#include "platform/power/WakeTimer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <string>

#include "platform/power/SystemWakeAlarms.h"
#include "tests/power/FakeWakeAlarm.h"
#include "tests/support/TempFolder.h"

namespace power {
namespace {

using testing::FakeAlarmState;
using testing::FakeWakeAlarm;

class WakeTimerTest : public ::testing::Test {
 protected:
  WakeTimer Make() {
    std::vector<std::unique_ptr<IWakeAlarm>> alarms;
    alarms.push_back(std::make_unique<FakeWakeAlarm>(alarmClock_));
    alarms.push_back(std::make_unique<FakeWakeAlarm>(rtc_));
    return WakeTimer(std::move(alarms));
  }

  FakeAlarmState alarmClock_;
  FakeAlarmState rtc_;
};

TEST_F(WakeTimerTest, ARefusedAlarmClockFallsBackToTheNext) {
  alarmClock_.openError = EPERM;
  WakeTimer timer = Make();
  EXPECT_TRUE(timer.Arm(1'800'000'000));
  EXPECT_FALSE(alarmClock_.setTo.has_value());
  EXPECT_EQ(rtc_.setTo, 1'800'000'000);
}

TEST_F(WakeTimerTest, TheOpenedAlarmClockIsKept) {
  WakeTimer timer = Make();
  timer.Arm(100);
  timer.Arm(200);
  EXPECT_EQ(alarmClock_.opens, 1);
  EXPECT_EQ(alarmClock_.setTo, 200);
}

TEST_F(WakeTimerTest, NoPermittedAlarmClockTracesTheFirstRefusalAndGoesOn) {
  alarmClock_.openError = EPERM;
  rtc_.openError = EACCES;
  WakeTimer timer = Make();
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(timer.Arm(100));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "CreateWaitableTimer failed (" + std::to_string(EPERM) + ")\n");
  EXPECT_FALSE(timer.Armed());
  // Tried again at the next arm, as a timer that was never created.
  rtc_.openError = 0;
  EXPECT_TRUE(timer.Arm(300));
  EXPECT_EQ(rtc_.setTo, 300);
}

TEST_F(WakeTimerTest, CancelClearsTheArmedAlarm) {
  WakeTimer timer = Make();
  timer.Arm(100);
  timer.Cancel();
  EXPECT_FALSE(alarmClock_.setTo.has_value());
  EXPECT_FALSE(timer.Armed());
}

TEST(RtcWakeAlarmTest, SetWritesTheUtcSecondsAfterClearing) {
  testsupport::TempFolder folder;
  const auto path = folder.WriteText("wakealarm", "");
  RtcWakeAlarm rtc(path.string());
  ASSERT_EQ(rtc.Open(), 0);
  ASSERT_EQ(rtc.Set(1'800'000'123), 0);
  std::string text;
  std::getline(std::ifstream(path), text);
  EXPECT_EQ(text, "1800000123");
}

TEST(RtcWakeAlarmTest, AMissingAlarmFileRefusesToOpen) {
  RtcWakeAlarm rtc("/nonexistent/wakealarm");
  EXPECT_EQ(rtc.Open(), ENOENT);
}

}  // namespace
}  // namespace power

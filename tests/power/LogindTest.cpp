// The power service on logind, over a private bus with a fake logind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/power/SystemPower.h"
#include "tests/power/FakeLogind.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/Wait.h"

namespace power {
namespace {

class LogindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (logind_.Address().empty()) GTEST_SKIP() << logind_.Failure();
    system_ =
        std::make_unique<testsupport::ScopedEnv>("DBUS_SYSTEM_BUS_ADDRESS", logind_.Address());
    session_ =
        std::make_unique<testsupport::ScopedEnv>("DBUS_SESSION_BUS_ADDRESS", logind_.Address());
    power_ = std::make_unique<SystemPower>();
    ASSERT_TRUE(power_->Available());
  }

  testing::FakeLogind logind_;
  std::unique_ptr<testsupport::ScopedEnv> system_;
  std::unique_ptr<testsupport::ScopedEnv> session_;
  std::unique_ptr<SystemPower> power_;
};

TEST_F(LogindTest, TheRecordingLockIsHeldUntilReleased) {
  power_->Service().HoldForRecording();
  const auto calls = logind_.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].what, "sleep:shutdown");
  EXPECT_EQ(calls[0].who, kInhibitorWho);
  EXPECT_EQ(calls[0].why, "Recording in progress.");
  EXPECT_EQ(calls[0].mode, "block");
  EXPECT_TRUE(logind_.LockHeld(0));
  power_->Service().ReleaseRecordingHold();
  EXPECT_TRUE(logind_.WaitReleased(0));
}

TEST_F(LogindTest, ResettingTheScreenSaverTellsTheDesktopOfActivity) {
  power_->Service().ResetScreenSaver();
  EXPECT_TRUE(testsupport::WaitUntil([&] { return logind_.UserActivity() == 1; }));
}

TEST_F(LogindTest, ShutdownCanBeBlocked) {
  EXPECT_TRUE(power_->Service().CanBlockShutdown());
}

TEST_F(LogindTest, PrepareForSleepBecomesASuspendNotice) {
  std::mutex mutex;
  std::vector<PowerNotice> notices;
  power_->Service().Start([&](PowerNotice n) {
    std::lock_guard lock(mutex);
    notices.push_back(n);
  });
  ASSERT_EQ(logind_.Calls().size(), 2u);  // the delay locks
  logind_.Emit("PrepareForSleep", true);
  ASSERT_TRUE(testsupport::WaitUntil([&] {
    std::lock_guard lock(mutex);
    return !notices.empty();
  }));
  EXPECT_EQ(notices[0], PowerNotice::kSuspend);
  power_->Service().NoticeHandled(PowerNotice::kSuspend);
  EXPECT_TRUE(logind_.WaitReleased(0));
  power_->Service().Stop();
}

TEST_F(LogindTest, ALostBusIsTracedOnceAndNotWaitedOnAgain) {
  ::testing::internal::CaptureStdout();
  power_->Service().Start([](PowerNotice) {});
  logind_.KillBus();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  timespec before{}, after{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
  power_->Service().Stop();
  const std::string trace = ::testing::internal::GetCapturedStdout();
  const double busy = (after.tv_sec - before.tv_sec) + (after.tv_nsec - before.tv_nsec) * 1e-9;
  EXPECT_LT(busy, 0.1);  // the power thread does not spin on the dead connection
  EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 1) << trace;
  EXPECT_NE(trace.find("The system bus connection was lost"), std::string::npos);
}

}  // namespace
}  // namespace power

#include "platform/power/PowerService.h"

namespace power {
namespace {

const InhibitRequest kSleepDelay{"sleep", kSleepDelayReason, "delay"};
const InhibitRequest kShutdownDelay{"shutdown", kShutdownDelayReason, "delay"};

}  // namespace

PowerService::PowerService(IPowerBus& bus, WakeTimer& wakeTimer,
                           std::function<std::int64_t()> nowUtc, IScreenSaver* screenSaver)
    : bus_(bus),
      wakeTimer_(wakeTimer),
      nowUtc_(std::move(nowUtc)),
      screenSaver_(screenSaver),
      watching_(bus, {"idle", kWatchingReason, "block"}),
      recording_(bus, {"sleep:shutdown", kRecordingReason, "block"}) {}

PowerService::~PowerService() {
  Stop();
}

void PowerService::Start(PowerNoticeSink sink) {
  {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
    if (!sleepDelay_) sleepDelay_ = TakeLock(bus_, kSleepDelay);
    if (!shutdownDelay_) shutdownDelay_ = TakeLock(bus_, kShutdownDelay);
  }
  if (thread_.joinable()) return;
  stopping_ = false;
  thread_ = std::thread([this] { Run(); });
}

void PowerService::Stop() {
  if (!thread_.joinable()) return;
  stopping_ = true;
  bus_.Wake();
  thread_.join();
}

void PowerService::Run() {
  while (!stopping_) {
    bus_.Wait(1000, [this](const BusSignal& signal) { OnSignal(signal); });
    Expire();
  }
}

// The idle lock holds off logind's idle actions; desktops that keep their
// own idle time hear of the activity too.
void PowerService::ResetScreenSaver() {
  Renew();
  if (screenSaver_ != nullptr) screenSaver_->SimulateUserActivity();
}

void PowerService::KeepSystemAndDisplayOn() {
  Renew();
}

void PowerService::Renew() {
  std::lock_guard lock(mutex_);
  if (watching_.Holders() == 0) watching_.Acquire();
  renewedAt_ = nowUtc_();
}

void PowerService::Expire() {
  std::lock_guard lock(mutex_);
  if (watching_.Holders() == 0) return;
  const std::int64_t since = nowUtc_() - renewedAt_;
  // A clock set back counts as lapsed, so the lock cannot stick for hours.
  if (since >= kKeepAwakeSeconds || since < 0) watching_.Release();
}

void PowerService::HoldForRecording() {
  std::lock_guard lock(mutex_);
  recording_.Acquire();
}

void PowerService::ReleaseRecordingHold() {
  std::lock_guard lock(mutex_);
  recording_.Release();
}

void PowerService::ArmWakeTimer(std::int64_t seconds) {
  std::lock_guard lock(mutex_);
  wakeTimer_.Arm(nowUtc_() + seconds);
}

void PowerService::CancelWakeTimer() {
  std::lock_guard lock(mutex_);
  wakeTimer_.Cancel();
}

void PowerService::NoticeHandled(PowerNotice notice) {
  std::lock_guard lock(mutex_);
  if (notice == PowerNotice::kSuspend) sleepDelay_.reset();
  if (notice == PowerNotice::kShutdown) shutdownDelay_.reset();
}

void PowerService::OnSignal(const BusSignal& signal) {
  PowerNoticeSink sink;
  PowerNotice notice = PowerNotice::kSuspend;
  {
    std::lock_guard lock(mutex_);
    auto& delay = signal.kind == BusSignalKind::kPrepareForSleep ? sleepDelay_ : shutdownDelay_;
    if (!signal.start) {
      // Back from sleep, or the shut-down was called off: hold the next one
      // off again until the program has heard of it.
      if (!delay) {
        delay = TakeLock(
            bus_, signal.kind == BusSignalKind::kPrepareForSleep ? kSleepDelay : kShutdownDelay);
      }
      if (signal.kind == BusSignalKind::kPrepareForShutdown) return;
      notice = PowerNotice::kResume;
    } else {
      notice = signal.kind == BusSignalKind::kPrepareForSleep ? PowerNotice::kSuspend
                                                              : PowerNotice::kShutdown;
    }
    sink = sink_;
  }
  if (sink) sink(notice);
}

bool PowerService::Watching() const {
  std::lock_guard lock(mutex_);
  return watching_.Held();
}

bool PowerService::Holding() const {
  std::lock_guard lock(mutex_);
  return recording_.Held();
}

bool PowerService::SleepDelayed() const {
  std::lock_guard lock(mutex_);
  return sleepDelay_ != nullptr;
}

bool PowerService::ShutdownDelayed() const {
  std::lock_guard lock(mutex_);
  return shutdownDelay_ != nullptr;
}

}  // namespace power

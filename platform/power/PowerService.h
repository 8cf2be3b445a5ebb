// The power services of the scheduler on Linux, over systemd-logind (or its
// recorded stand-in) and the machine's alarm clocks:
// - while someone watches, the desktop's screen saver told of activity and an
//   "idle" lock that lapses unless renewed within
//   kKeepAwakeSeconds (the scheduler renews it every second);
// - while a recording runs, a "sleep:shutdown" lock with the reason
//   "Recording in progress.";
// - "delay" locks on sleep and shut-down, so the program hears of them in time
//   to arm the wake timer or to save and stop; each is given back when the
//   program reports the notice handled (logind's delay limit applies anyway);
// - the wake timer at an absolute UTC time.
// The power thread waits for the bus's signals, turns them into notices for
// the program's sink and lets the idle lock lapse.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/power/PowerBus.h"
#include "platform/power/PowerNotice.h"
#include "platform/power/ScreenSaver.h"
#include "platform/power/SharedInhibitor.h"
#include "platform/power/WakeTimer.h"
#include "recording/scheduler/Power.h"

namespace power {

inline constexpr char kWatchingReason[] = "Watching television.";
inline constexpr char kRecordingReason[] = "Recording in progress.";
inline constexpr char kSleepDelayReason[] = "Setting the wake-up for the next recording.";
inline constexpr char kShutdownDelayReason[] = "Saving the settings and ending recordings.";

class PowerService final : public recording::IPower {
 public:
  static constexpr std::int64_t kKeepAwakeSeconds = 30;

  // `nowUtc` gives the current UTC seconds; `screenSaver` may be null.
  PowerService(IPowerBus& bus, WakeTimer& wakeTimer, std::function<std::int64_t()> nowUtc,
               IScreenSaver* screenSaver = nullptr);
  ~PowerService() override;
  PowerService(const PowerService&) = delete;
  PowerService& operator=(const PowerService&) = delete;

  // Takes the delay locks and starts the power thread; `sink` receives the
  // notices on that thread and must not block it.
  void Start(PowerNoticeSink sink);
  void Stop();

  void ResetScreenSaver() override;
  void KeepSystemAndDisplayOn() override;
  void HoldForRecording() override;
  void ReleaseRecordingHold() override;
  bool CanBlockShutdown() const override { return bus_.CanBlockShutdown(); }
  void ArmWakeTimer(std::int64_t seconds) override;
  void CancelWakeTimer() override;

  // The program has done what a suspend or shut-down notice asks: the machine
  // may go on.
  void NoticeHandled(PowerNotice notice);

  // Linux has no away mode (the machine that looks off but runs): the value
  // the program gives the scheduler's away-mode notice.
  static constexpr bool AwayMode() { return false; }

  // One signal of the bus; the power thread calls it.
  void OnSignal(const BusSignal& signal);
  // Lets the idle lock lapse when it was not renewed in time.
  void Expire();

  bool Watching() const;
  bool Holding() const;
  bool SleepDelayed() const;
  bool ShutdownDelayed() const;

 private:
  void Renew();
  void Run();

  IPowerBus& bus_;
  WakeTimer& wakeTimer_;
  std::function<std::int64_t()> nowUtc_;
  IScreenSaver* screenSaver_;
  PowerNoticeSink sink_;

  mutable std::mutex mutex_;
  SharedInhibitor watching_;
  SharedInhibitor recording_;
  std::unique_ptr<IInhibitLock> sleepDelay_;
  std::unique_ptr<IInhibitLock> shutdownDelay_;
  std::int64_t renewedAt_ = 0;

  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace power

// The system's power manager as the power service sees it: inhibitor locks
// that hold off idle, sleep or shut-down while they are held, and the signals
// that announce a sleep, a resume and a shut-down. systemd-logind answers it
// over the system bus; without a bus a recorded stand-in does.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace power {

// Who takes the locks, as the system shows it beside their reasons.
inline constexpr char kInhibitorWho[] = "Corvane DVR";

// One inhibitor lock as logind takes them: "what" is a colon-separated list of
// "idle", "sleep" and "shutdown"; "mode" is "block" or "delay".
struct InhibitRequest {
  std::string what;
  std::string why;
  std::string mode;
};

// A held lock; destroying it releases the lock.
class IInhibitLock {
 public:
  virtual ~IInhibitLock() = default;
};

enum class BusSignalKind { kPrepareForSleep, kPrepareForShutdown };

// PrepareForSleep / PrepareForShutdown with their argument: true before the
// event, false after it (a resume, or a shut-down that was cancelled).
struct BusSignal {
  BusSignalKind kind;
  bool start;
};

class IPowerBus {
 public:
  virtual ~IPowerBus() = default;

  // Takes a lock; null with an error number in `error` when it is refused.
  virtual std::unique_ptr<IInhibitLock> Inhibit(const InhibitRequest& request, int* error) = 0;
  // Whether a lock really holds off shut-down (the stand-in only records it).
  virtual bool CanBlockShutdown() const = 0;
  // Waits up to `milliseconds` for signals and hands each to `signal`.
  virtual void Wait(int milliseconds, const std::function<void(const BusSignal&)>& signal) = 0;
  // Ends a Wait early (from any thread).
  virtual void Wake() = 0;
};

}  // namespace power

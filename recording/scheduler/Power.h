// The power services the scheduler uses: keeping the machine and display up
// while someone watches, holding off sleep and shut-down while a recording
// runs, and the timer that wakes the machine for the next recording.
#pragma once

#include <cstdint>

namespace recording {

class IPower {
 public:
  virtual ~IPower() = default;

  // Restarts the screen saver's idle time when the screen saver is active.
  virtual void ResetScreenSaver() = 0;
  // Keeps system and display on for a while (renewed every second).
  virtual void KeepSystemAndDisplayOn() = 0;

  // While a recording runs: the system stays up (away mode allowed) and
  // shut-down is blocked with the reason "Recording in progress.".
  virtual void HoldForRecording() = 0;
  virtual void ReleaseRecordingHold() = 0;
  // Whether shut-down can be blocked with a reason (otherwise the user is asked).
  virtual bool CanBlockShutdown() const = 0;

  // Wakes the machine from sleep `seconds` from now; failures are traced.
  virtual void ArmWakeTimer(std::int64_t seconds) = 0;
  virtual void CancelWakeTimer() = 0;
};

}  // namespace recording

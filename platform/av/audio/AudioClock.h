// CAudioClock: the reference clock of the audio renderer. While the sound
// device plays, the clock follows the frames it has played (written minus
// queued), so pictures are shown in step with the sound actually heard; while
// it does not (no device, before the first frames, paused, after an underrun,
// stopped), the clock runs on the system clock. Each change between the two
// continues from the time reached, so the clock never jumps; it never goes
// backwards (the base clock holds it). A change of the device is noticed at
// the next reading of the clock; Notice() reads it at once (the renderer calls
// it when it pauses the device).
#pragma once

#include <memory>
#include <mutex>

#include "platform/av/audio/AudioDevice.h"
#include "platform/media/SystemClock.h"

namespace av::audio {

class CAudioClock : public CBaseReferenceClock {
 public:
  CAudioClock();
  ~CAudioClock() override;

  // The device whose position drives the clock, at `rate` frames per second;
  // null leaves the clock on the system clock.
  void SetDevice(std::shared_ptr<IAudioDevice> device, unsigned rate);
  // Takes note of the device's state now.
  void Notice();

 protected:
  REFERENCE_TIME GetPrivateTime() override;

 private:
  // The clock time at `system` with `played` frames played, in the current mode.
  REFERENCE_TIME TimeLocked(REFERENCE_TIME system, std::int64_t played) const;
  void AnchorLocked(REFERENCE_TIME system, std::int64_t played, bool following);

  std::mutex mutex_;
  std::shared_ptr<IAudioDevice> device_;
  unsigned rate_ = 0;
  bool following_ = false;  // the device plays: time follows its position
  REFERENCE_TIME anchorTime_ = 0;
  REFERENCE_TIME anchorSystem_ = 0;
  std::int64_t anchorPlayed_ = 0;
};

}  // namespace av::audio

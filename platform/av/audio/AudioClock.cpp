#include "platform/av/audio/AudioClock.h"

namespace av::audio {

CAudioClock::CAudioClock() : CBaseReferenceClock("audio clock") {
  anchorSystem_ = anchorTime_ = Now();
}

CAudioClock::~CAudioClock() {
  StopThread();
}

REFERENCE_TIME CAudioClock::TimeLocked(REFERENCE_TIME system, std::int64_t played) const {
  if (!following_) return anchorTime_ + (system - anchorSystem_);
  return anchorTime_ + (played - anchorPlayed_) * 10'000'000 / rate_;
}

void CAudioClock::AnchorLocked(REFERENCE_TIME system, std::int64_t played, bool following) {
  anchorTime_ = TimeLocked(system, played);
  anchorSystem_ = system;
  anchorPlayed_ = played;
  following_ = following;
}

void CAudioClock::SetDevice(std::shared_ptr<IAudioDevice> device, unsigned rate) {
  const REFERENCE_TIME system = Now();
  {
    std::lock_guard lock(mutex_);
    const std::int64_t played = device_ ? device_->Position().Played() : anchorPlayed_;
    AnchorLocked(system, played, false);
    device_ = rate > 0 ? std::move(device) : nullptr;
    rate_ = rate;
    anchorPlayed_ = device_ ? device_->Position().Played() : 0;
  }
  TriggerThread();
}

void CAudioClock::Notice() {
  REFERENCE_TIME time = 0;
  GetTime(&time);
}

REFERENCE_TIME CAudioClock::GetPrivateTime() {
  const REFERENCE_TIME system = Now();
  std::lock_guard lock(mutex_);
  AudioPosition position;
  if (device_) position = device_->Position();
  const std::int64_t played = device_ ? position.Played() : anchorPlayed_;
  const bool playing = device_ && position.playing;
  if (playing != following_) AnchorLocked(system, played, playing);
  return TimeLocked(system, played);
}

}  // namespace av::audio

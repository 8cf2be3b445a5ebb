// A sound device for tests: it keeps every frame written and plays only when
// the test says so (Play), so a test sets the device position exactly. The
// record (FakeSound) outlives the device, which the renderer closes on stop.
#pragma once

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/av/audio/AudioDevice.h"

namespace av::audio::test {

struct FakeSound {
  std::mutex mutex;
  AudioFormat format;
  long capacity = 1 << 20;  // frames the device holds
  std::vector<std::int16_t> samples;
  std::int64_t written = 0;
  std::int64_t queued = 0;
  bool started = false;  // by the first write, as a device with a small start threshold
  bool paused = false;

  // Plays up to `frames` of the queued frames.
  void Play(std::int64_t frames) {
    std::lock_guard lock(mutex);
    queued -= std::min(frames, queued);
  }
  std::int64_t Queued() {
    std::lock_guard lock(mutex);
    return queued;
  }
  std::vector<std::int16_t> Samples() {
    std::lock_guard lock(mutex);
    return samples;
  }
};

class FakeAudioDevice : public IAudioDevice {
 public:
  explicit FakeAudioDevice(std::shared_ptr<FakeSound> sound) : sound_(std::move(sound)) {}

  long Write(const std::int16_t* frames, long count) override {
    std::lock_guard lock(sound_->mutex);
    const long n = std::min<long>(count, sound_->capacity - static_cast<long>(sound_->queued));
    sound_->samples.insert(sound_->samples.end(), frames, frames + n * sound_->format.channels);
    sound_->written += n;
    sound_->queued += n;
    sound_->started = sound_->started || n > 0;
    return n;
  }
  void WaitForRoom(int) override {}
  AudioPosition Position() override {
    std::lock_guard lock(sound_->mutex);
    return {sound_->written, sound_->queued,
            sound_->started && !sound_->paused && sound_->queued > 0};
  }
  void Pause(bool pause) override {
    std::lock_guard lock(sound_->mutex);
    sound_->paused = pause;
  }
  void Drop() override {
    std::lock_guard lock(sound_->mutex);
    sound_->written -= sound_->queued;
    sound_->queued = 0;
  }
  void Start() override {
    std::lock_guard lock(sound_->mutex);
    sound_->started = true;
  }

 private:
  std::shared_ptr<FakeSound> sound_;
};

// An opener that hands out fake devices recording into `sound`.
inline AudioDeviceOpener FakeOpener(std::shared_ptr<FakeSound> sound) {
  return [sound](const AudioFormat& format, std::string*) -> std::unique_ptr<IAudioDevice> {
    {
      std::lock_guard lock(sound->mutex);
      sound->format = format;
    }
    return std::make_unique<FakeAudioDevice>(sound);
  };
}

}  // namespace av::audio::test

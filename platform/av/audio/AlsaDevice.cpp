#include "platform/av/audio/AlsaDevice.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

namespace av::audio {
namespace {

// The device holds about this much sound; the renderer keeps less queued.
constexpr unsigned kBufferMicroseconds = 400'000;

// alsa-lib writes its own complaints to the error stream (a missing card in a
// container, for one); the renderer reports a failed open itself.
void QuietErrors(const char*, int, const char*, int, const char*, ...) {}

class AlsaDevice final : public IAudioDevice {
 public:
  AlsaDevice(snd_pcm_t* pcm, bool canPause) : pcm_(pcm), canPause_(canPause) {}
  ~AlsaDevice() override {
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
  }

  long Write(const std::int16_t* frames, long count) override {
    std::lock_guard lock(mutex_);
    for (int attempt = 0; attempt < 2; ++attempt) {
      const snd_pcm_sframes_t n =
          snd_pcm_writei(pcm_, frames, static_cast<snd_pcm_uframes_t>(count));
      if (n >= 0) {
        written_ += n;
        return static_cast<long>(n);
      }
      if (n == -EAGAIN) return 0;
      // An underrun or a suspend: make the device ready again and retry.
      if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) return static_cast<long>(n);
    }
    return 0;
  }

  void WaitForRoom(int milliseconds) override { snd_pcm_wait(pcm_, milliseconds); }

  AudioPosition Position() override {
    std::lock_guard lock(mutex_);
    return PositionLocked();
  }

  void Pause(bool pause) override {
    std::lock_guard lock(mutex_);
    const snd_pcm_state_t state = snd_pcm_state(pcm_);
    if (pause && state == SND_PCM_STATE_RUNNING) {
      if (canPause_) {
        snd_pcm_pause(pcm_, 1);
      } else {
        DropLocked();  // a device that cannot hold loses what it queued
      }
    } else if (!pause && state == SND_PCM_STATE_PAUSED) {
      snd_pcm_pause(pcm_, 0);
    }
  }

  void Drop() override {
    std::lock_guard lock(mutex_);
    DropLocked();
  }

  void Start() override {
    std::lock_guard lock(mutex_);
    if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED && PositionLocked().queued > 0)
      snd_pcm_start(pcm_);
  }

 private:
  AudioPosition PositionLocked() {
    const snd_pcm_state_t state = snd_pcm_state(pcm_);
    snd_pcm_sframes_t delay = 0;
    // After an underrun everything written has been played.
    if (state == SND_PCM_STATE_XRUN || snd_pcm_delay(pcm_, &delay) < 0) delay = 0;
    played_ = std::clamp<std::int64_t>(written_ - delay, played_, written_);
    return {written_, written_ - played_, state == SND_PCM_STATE_RUNNING};
  }

  void DropLocked() {
    PositionLocked();
    snd_pcm_drop(pcm_);
    written_ = played_;
    snd_pcm_prepare(pcm_);
  }

  std::mutex mutex_;
  snd_pcm_t* pcm_;
  bool canPause_;
  std::int64_t written_ = 0;
  std::int64_t played_ = 0;
};

std::string Reason(const char* step, int error) {
  return std::string(step) + ": " + snd_strerror(error);
}

}  // namespace

std::unique_ptr<IAudioDevice> OpenAlsaDevice(const std::string& name, const AudioFormat& format,
                                             std::string* error) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { snd_lib_error_set_handler(QuietErrors); });
  snd_pcm_t* pcm = nullptr;
  int rc = snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
  if (rc < 0) {
    if (error) *error = Reason("snd_pcm_open", rc);
    return nullptr;
  }
  auto fail = [&](const char* step, int code) -> std::unique_ptr<IAudioDevice> {
    if (error) *error = Reason(step, code);
    snd_pcm_close(pcm);
    return nullptr;
  };
  rc = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels,
                          format.rate, 1, kBufferMicroseconds);
  if (rc < 0) return fail("snd_pcm_set_params", rc);

  // Start playing after one period, not only when the whole buffer is full:
  // the renderer keeps less than a buffer queued.
  snd_pcm_uframes_t bufferSize = 0, periodSize = 0;
  rc = snd_pcm_get_params(pcm, &bufferSize, &periodSize);
  if (rc < 0) return fail("snd_pcm_get_params", rc);
  snd_pcm_sw_params_t* sw = nullptr;
  snd_pcm_sw_params_alloca(&sw);
  rc = snd_pcm_sw_params_current(pcm, sw);
  if (rc >= 0) rc = snd_pcm_sw_params_set_start_threshold(pcm, sw, periodSize);
  if (rc >= 0) rc = snd_pcm_sw_params(pcm, sw);
  if (rc < 0) return fail("snd_pcm_sw_params", rc);

  snd_pcm_hw_params_t* hw = nullptr;
  snd_pcm_hw_params_alloca(&hw);
  const bool canPause = snd_pcm_hw_params_current(pcm, hw) >= 0 && snd_pcm_hw_params_can_pause(hw);
  return std::make_unique<AlsaDevice>(pcm, canPause);
}

}  // namespace av::audio

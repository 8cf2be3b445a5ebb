// The virtual tuner engine as the backend of the tuner device model: a commit
// tunes it by frequency and demodulator family; the statistics and the stream
// are its own.
#pragma once

#include <atomic>
#include <cstdio>
#include <memory>

#include "platform/bda/model/TunerDevice.h"
#include "platform/bda/virtual/VirtualTuner.h"

namespace bda {

class VirtualTunerDevice : public TunerDevice, public TunerStream {
 public:
  explicit VirtualTunerDevice(std::shared_ptr<vtuner::Broadcast> broadcast)
      : tuner_(std::move(broadcast)) {}

  bool Tune(const DeviceTune& tune) override {
    const bool locked = tuner_.Tune(tune.frequencyHz, tune.family);
    tunes_.fetch_add(1);
    return locked;
  }
  SignalState Signal() const override {
    const vtuner::SignalStatistics s = tuner_.Statistics();
    SignalState state;
    state.locked = s.locked;
    state.present = s.present;
    state.quality = s.quality;
    // No real carrier to measure: full strength while one is present.
    state.strength = s.present ? 0 : -100'000;
    return state;
  }

  void StartStreaming() override { tuner_.RestartPacing(); }
  HRESULT Read(std::span<std::uint8_t> buffer, std::size_t* bytes) override {
    *bytes = tuner_.Read(buffer);
    if (*bytes > 0) return S_OK;
    // A capture that can no longer be read ends the stream, said once.
    const std::string failure = tuner_.Failure();
    if (failure.empty()) return S_OK;
    std::printf("virtual tuner: %s\n", failure.c_str());
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  std::uint32_t TuneCount() const override { return tunes_.load(); }

  vtuner::VirtualTuner& Tuner() { return tuner_; }

 private:
  vtuner::VirtualTuner tuner_;
  std::atomic<std::uint32_t> tunes_{0};
};

}  // namespace bda

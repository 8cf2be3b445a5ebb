#include "platform/av/audio/AudioClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/com/ComPtr.h"
#include "tests/av_audio/FakeAudioDevice.h"

namespace av::audio::test {
namespace {

constexpr unsigned kRate = 48000;

struct ClockWithDevice {
  std::shared_ptr<FakeSound> sound = std::make_shared<FakeSound>();
  std::shared_ptr<FakeAudioDevice> device = std::make_shared<FakeAudioDevice>(sound);
  ComPtr<CAudioClock> clock{new CAudioClock};

  ClockWithDevice() {
    sound->format = {kRate, 1};
    clock->SetDevice(device, kRate);
  }
  void Write(long frames) {
    const std::vector<std::int16_t> silence(static_cast<std::size_t>(frames), 0);
    device->Write(silence.data(), frames);
  }
  REFERENCE_TIME Time() {
    REFERENCE_TIME t = 0;
    clock->GetTime(&t);
    return t;
  }
};

void Sleep(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

TEST(AudioClock, FollowsTheFramesThePlayingDeviceHasPlayed) {
  ClockWithDevice c;
  c.Write(kRate);
  c.sound->Play(480);
  const REFERENCE_TIME start = c.Time();
  Sleep(30);  // time passing without frames played does not move the clock
  EXPECT_EQ(c.Time(), start);
  c.sound->Play(4800);
  EXPECT_EQ(c.Time(), start + 1'000'000);  // 4800 frames at 48 kHz: 100 ms
}

TEST(AudioClock, NeverGoesBackAndRunsOnAcrossPauseUnderrunAndStop) {
  ClockWithDevice c;
  c.Write(kRate);
  c.sound->Play(4800);
  REFERENCE_TIME last = c.Time();
  // A change of the device is noticed at the next reading (the graph reads
  // the clock all the time); from there the clock runs on.
  auto advanced = [&] {
    const REFERENCE_TIME noticed = c.Time();
    if (noticed < last) return false;
    Sleep(20);
    const REFERENCE_TIME now = c.Time();
    const bool forward = now > last;
    last = now;
    return forward;
  };
  c.device->Pause(true);
  EXPECT_TRUE(advanced()) << "paused";
  c.device->Pause(false);
  c.sound->Play(4800);
  EXPECT_TRUE(advanced()) << "playing again";
  c.sound->Play(kRate);  // everything played: the device runs dry
  EXPECT_TRUE(advanced()) << "underrun";
  c.Write(kRate);
  c.sound->Play(100);
  EXPECT_GE(c.Time(), last) << "playing after the underrun";
  c.clock->SetDevice(nullptr, 0);
  EXPECT_TRUE(advanced()) << "stopped";
}

}  // namespace
}  // namespace av::audio::test

// Fakes for the scheduler's tests: a clock the test moves, graph managers that
// take every state request they are given and keep a log of what they did,
// power services and a shell that only remember what was asked of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recording/Clock.h"
#include "recording/scheduler/Power.h"
#include "recording/scheduler/RecorderGraph.h"
#include "recording/scheduler/SchedulerShell.h"

namespace recording::testing {

class FakeClock : public Clock {
 public:
  explicit FakeClock(std::int64_t nowUtc) : now_(nowUtc) {}
  std::int64_t NowUtc() const override { return now_; }
  void Set(std::int64_t nowUtc) { now_ = nowUtc; }
  void Advance(std::int64_t seconds) { now_ += seconds; }

 private:
  std::int64_t now_;
};

// One recording a fake graph made: the channel it was tuned to and when it
// began and ended (end -1 while it runs).
struct Recorded {
  tuning::ChannelLocator channel;
  std::int64_t begin = 0;
  std::int64_t end = -1;
};

class FakeGraph : public IRecorderGraph {
 public:
  FakeGraph(const Clock& clock, std::uint8_t tuner = kTunerNone, std::uint8_t player = kPlayerNone)
      : clock_(clock), tuner_(tuner), player_(player) {}

  std::uint8_t TunerState() const override { return tuner_; }
  std::uint8_t PlayerState() const override { return player_; }

  std::int32_t RequestGraphState(std::uint8_t tuner, std::uint8_t player) override {
    log.push_back("state " + std::to_string(tuner + player));
    if (tuner == kTunerRecording && tuner_ != kTunerRecording && failRecording) return -1;
    if (tuner_ + player_ == tuner + player) return 1;
    if (tuner == kTunerRecording && tuner_ != kTunerRecording)
      recordings.push_back({current, clock_.NowUtc()});
    if (tuner != kTunerRecording && tuner_ == kTunerRecording && !recordings.empty())
      recordings.back().end = clock_.NowUtc();
    tuner_ = tuner;
    player_ = player;
    return 0;
  }
  std::int32_t TuneRequest(const tuning::ChannelLocator& locator, bool remember) override {
    log.push_back("tune " + std::to_string(locator.physical()) + (remember ? " remember" : ""));
    if (remember) current = locator;
    return 0;
  }
  std::int32_t TuneForRecording(const tuning::ChannelLocator& locator) override {
    log.push_back("tune now " + std::to_string(locator.physical()));
    current = locator;
    return 0;
  }
  void SetRecordingTitle(std::u16string_view t) override { title = t; }
  RecordingOrigin Origin() const override { return origin; }
  void SetOrigin(RecordingOrigin o) override { origin = o; }
  GUID TimerIdentity() const override { return identity; }
  void SetTimerIdentity(const GUID& id) override { identity = id; }
  int TimerClaims() const override { return claims; }
  void SetTimerClaims(int c) override { claims = c; }
  bool Scanning() const override { return scanning; }

  std::vector<std::string> log;
  std::vector<Recorded> recordings;
  tuning::ChannelLocator current;
  std::u16string title;
  RecordingOrigin origin = RecordingOrigin::kNone;
  GUID identity{};
  int claims = 0;
  bool scanning = false;
  bool failRecording = false;

 private:
  const Clock& clock_;
  std::uint8_t tuner_;
  std::uint8_t player_;
};

class FakePower : public IPower {
 public:
  void ResetScreenSaver() override { ++screenSaverResets; }
  void KeepSystemAndDisplayOn() override { ++keepOnCalls; }
  void HoldForRecording() override { held = true; }
  void ReleaseRecordingHold() override { held = false; }
  bool CanBlockShutdown() const override { return canBlock; }
  void ArmWakeTimer(std::int64_t seconds) override { wakeIn = seconds; }
  void CancelWakeTimer() override {
    wakeIn.reset();
    ++cancels;
  }

  int screenSaverResets = 0;
  int keepOnCalls = 0;
  bool held = false;
  bool canBlock = true;
  std::optional<std::int64_t> wakeIn;
  int cancels = 0;
};

class FakeShell : public ISchedulerShell {
 public:
  void Notice(const std::string& text) override { notices.push_back(text); }
  void ShowChannelBanner(int graph) override { banners.push_back(graph); }
  bool AskContinueShutdown() override {
    ++questions;
    return answer;
  }
  void ExitProgram() override { exited = true; }

  std::vector<std::string> notices;
  std::vector<int> banners;
  int questions = 0;
  bool answer = true;
  bool exited = false;
};

}  // namespace recording::testing

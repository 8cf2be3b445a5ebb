#include "recording/scheduler/Scheduler.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "common/Utf16.h"
#include "recording/scheduler/BusyScope.h"

namespace recording {
namespace {

// A weekly timer that started within its duration and an hour is not started
// again: in the hour that repeats when daylight saving ends it is due twice.
bool StartedThisOccurrence(const TimerRecord& t, std::int64_t now) {
  if (t.repeatKind != RepeatKind::kWeekly || t.lastRecordingStart == 0) return false;
  const std::int64_t since = now - t.lastRecordingStart;
  return since >= 0 && since < static_cast<std::int64_t>(t.duration) + 3600;
}

// The graphs a timer recording can start from: idle (also while a file
// plays without a tuner), the guide pass, and the two viewing states.
bool Idle(const IRecorderGraph& g) {
  return g.TunerState() == kTunerNone;
}
bool Viewing(const IRecorderGraph& g) {
  const std::uint8_t p = g.PlayerState();
  if (g.TunerState() == kTunerLive) return p == kPlayerNone;
  return g.TunerState() == kTunerBuffered && (p == kPlayerTimeShift || p == kPlayerFile);
}

std::string TimerName(const TimerRecord& t) {
  return common::ToUtf8(common::FieldView(t.name));
}

}  // namespace

Scheduler::Scheduler(SchedulerParts parts)
    : timers_(parts.timers),
      clock_(parts.clock),
      power_(parts.power),
      shell_(parts.shell),
      busy_(parts.busy),
      guide_(parts.channels, parts.busy) {
  timers_.SetStopRecordingHook([this](TimerRecord& t) { ReleaseGraph(t); });
}

Scheduler::~Scheduler() {
  timers_.SetStopRecordingHook(nullptr);
}

void Scheduler::SetGraphs(std::vector<IRecorderGraph*> graphs) {
  graphs_ = std::move(graphs);
  for (int i = 0; i < timers_.count(); ++i) {
    timers_[i].graphLink = 0;
    timers_[i].recording = 0;
  }
}

bool Scheduler::AnyRecording() const {
  return std::any_of(graphs_.begin(), graphs_.end(),
                     [](const IRecorderGraph* g) { return g->TunerState() == kTunerRecording; });
}

void Scheduler::Tick() {
  if (busy_) return;
  KeepAwake();
  UpdateLatch();
  if (!started_ || inTick_) return;
  inTick_ = true;
  SchedulerTick();
  guide_.Step(graphs_);
  inTick_ = false;
}

void Scheduler::KeepAwake() {
  const bool watched = std::any_of(graphs_.begin(), graphs_.end(), [](const IRecorderGraph* g) {
    return g->PlayerState() != kPlayerNone;
  });
  if (!watched) return;
  power_.ResetScreenSaver();
  if (!awayMode_) power_.KeepSystemAndDisplayOn();
}

void Scheduler::UpdateLatch() {
  const bool recording = AnyRecording();
  if (!latch_ && recording) {
    power_.HoldForRecording();
    latch_ = true;
  } else if (latch_ && !recording) {
    power_.ReleaseRecordingHold();
    latch_ = false;
    if (exitAfterRecording_) shell_.ExitProgram();
  }
}

void Scheduler::SchedulerTick() {
  const std::int64_t now = clock_.NowUtc();
  for (int i = 0; i < timers_.count();) {
    TimerRecord& t = timers_[i];
    const bool due = IsDue(t, now);
    if (due && t.recording == 0 && !StartedThisOccurrence(t, now)) {
      const int graph = PickTunerForTimer();
      if (graph >= 0) {
        StartTimer(t, graph, now);
        return;  // one start per tick
      }
    } else if (!due && t.recording == 1) {
      ReleaseGraph(t);
      t.recording = 0;
    }
    if (t.repeatKind == RepeatKind::kOnce && t.end < now) {
      timers_.RemoveTimer(i);
      continue;
    }
    ++i;
  }
}

int Scheduler::PickTunerForTimer() {
  // A graph that scans is taken only when no other qualifies: the scan would
  // go on tuning it.
  for (const bool scanningToo : {false, true}) {
    for (const auto wanted : {Idle, Viewing}) {
      for (std::size_t i = 0; i < graphs_.size(); ++i) {
        IRecorderGraph& g = *graphs_[i];
        if (g.TimerClaims() > 0 || (g.Scanning() && !scanningToo) || !wanted(g)) continue;
        g.SetTimerClaims(g.TimerClaims() + 1);
        return static_cast<int>(i);
      }
    }
  }
  return -1;
}

void Scheduler::StartTimer(TimerRecord& t, int index, std::int64_t now) {
  IRecorderGraph& g = *graphs_[static_cast<std::size_t>(index)];
  t.tunerIndex = index;
  t.recording = 1;
  t.graphLink = static_cast<std::uint32_t>(index + 1);
  t.lastRecordingStart = now;
  g.SetRecordingTitle(common::FieldView(t.name));
  const std::uint8_t player = g.PlayerState();
  std::int32_t result = 0;
  {
    BusyScope busy(busy_);
    // The file begins on the timer's channel: the tune comes first.
    g.TuneForRecording(t.channel);
    result = g.RequestGraphState(kTunerRecording, player);
  }
  if (result < 0) {
    // The claim and the link stay until the occurrence ends, so the timer is
    // not started again every second.
    std::printf("Timer recording \"%s\": RequestGraphState(48, %d) failed (0x%08X)\n",
                TimerName(t).c_str(), player, static_cast<unsigned>(result));
    shell_.Notice("The timer recording \"" + TimerName(t) + "\" could not start.");
    return;
  }
  g.SetOrigin(RecordingOrigin::kTimer);
  g.SetTimerIdentity(t.identity);
  if (player != kPlayerNone) shell_.ShowChannelBanner(index);
}

IRecorderGraph* Scheduler::Linked(const TimerRecord& t) const {
  if (t.graphLink == 0 || t.graphLink > graphs_.size()) return nullptr;
  return graphs_[t.graphLink - 1];
}

void Scheduler::ReleaseGraph(TimerRecord& t) {
  IRecorderGraph* g = Linked(t);
  t.graphLink = 0;
  if (g == nullptr) return;
  // Only the graph that records this very timer is stopped.
  if (g->Origin() == RecordingOrigin::kTimer && g->TimerIdentity() == t.identity) {
    StopOnGraph(*g);
    g->SetTimerIdentity(GUID{});
    g->SetOrigin(RecordingOrigin::kNone);
  }
  ReleaseClaim(*g);
}

void Scheduler::StopOnGraph(IRecorderGraph& g) {
  if (g.TunerState() != kTunerRecording) return;
  const std::uint8_t player = g.PlayerState();
  // Watching the live buffer goes on without the recording; otherwise the
  // tuner graph goes and a file being played stays.
  const std::uint8_t tuner = player == kPlayerTimeShift ? kTunerBuffered : kTunerNone;
  std::int32_t result = 0;
  {
    BusyScope busy(busy_);
    result = g.RequestGraphState(tuner, player);
  }
  if (result < 0) {
    std::printf("Timer recording stop: RequestGraphState(%d, %d) failed (0x%08X)\n", tuner, player,
                static_cast<unsigned>(result));
    shell_.Notice("The timer recording could not be stopped.");
  }
}

void Scheduler::ReleaseClaim(IRecorderGraph& g) {
  g.SetTimerClaims(std::max(0, g.TimerClaims() - 1));
}

void Scheduler::StopRecordingByUser(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= graphs_.size()) return;
  IRecorderGraph& g = *graphs_[static_cast<std::size_t>(index)];
  if (g.Origin() == RecordingOrigin::kManual) {
    std::int32_t result = 0;
    {
      BusyScope busy(busy_);
      result = g.RequestGraphState(kTunerBuffered, g.PlayerState());
    }
    if (result >= 0) g.SetOrigin(RecordingOrigin::kNone);
    return;
  }
  if (g.Origin() != RecordingOrigin::kTimer) return;
  const GUID identity = g.TimerIdentity();
  StopOnGraph(g);
  ReleaseClaim(g);
  g.SetTimerIdentity(GUID{});
  g.SetOrigin(RecordingOrigin::kNone);
  for (int i = 0; i < timers_.count(); ++i) {
    TimerRecord& t = timers_[i];
    if (!(t.identity == identity)) continue;
    // The recording flag stays: this occurrence is not started again.
    t.graphLink = 0;
    if (t.repeatKind == RepeatKind::kOnce) timers_.RemoveTimer(i);
    break;
  }
}

void Scheduler::SuspendNotice() {
  const auto delay = timers_.SecondsToNextTimer(clock_.NowUtc());
  if (delay) {
    power_.ArmWakeTimer(*delay > 30 ? *delay - 30 : *delay);
  } else {
    power_.CancelWakeTimer();
  }
  guide_.Stop(graphs_, GuidePass::kRestAfterSuspend);
}

bool Scheduler::QueryEndSession() {
  if (!AnyRecording()) return true;
  if (power_.CanBlockShutdown()) {
    exitAfterRecording_ = true;
    return false;
  }
  return shell_.AskContinueShutdown();
}

void Scheduler::EndSession(bool ending) {
  if (!ending) exitAfterRecording_ = false;
}

}  // namespace recording

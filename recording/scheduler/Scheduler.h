// The once-a-second scheduler: it starts and stops timer recordings on the
// graph managers, keeps the machine up while someone watches or a recording
// runs, holds off log-off and shut-down during a recording, arms the wake
// timer when the machine goes to sleep, and runs the background guide pass.
// Everything here runs on the user-interface thread.
#pragma once

#include <cstdint>
#include <vector>

#include "recording/Clock.h"
#include "recording/TimerList.h"
#include "recording/scheduler/GuidePass.h"
#include "recording/scheduler/Power.h"
#include "recording/scheduler/RecorderGraph.h"
#include "recording/scheduler/SchedulerShell.h"

namespace recording {

struct SchedulerParts {
  TimerList& timers;
  const Clock& clock;
  IPower& power;
  ISchedulerShell& shell;
  tuning::ChannelList& channels;
  bool& busy;  // set while a state change runs; the tick then does nothing
};

class Scheduler {
 public:
  explicit Scheduler(SchedulerParts parts);
  ~Scheduler();
  Scheduler(const Scheduler&) = delete;
  Scheduler& operator=(const Scheduler&) = delete;

  // The graphs of a graph start, one per present selected tuner. Links and
  // recording flags that timers hold on the previous graphs are cleared.
  void SetGraphs(std::vector<IRecorderGraph*> graphs);
  // Timers start only once start-up is complete.
  void SetStartupComplete() { started_ = true; }
  void SetGuidePass(bool on) { guide_.SetEnabled(on); }
  const GuidePass& Guide() const { return guide_; }

  // A new timer is refused when it overlaps this many timers.
  int ConflictLimit() const { return static_cast<int>(graphs_.size()); }

  // Timer 1 of the main window, every second.
  void Tick();
  void SchedulerTick();
  // The graph for a due timer, with its claim taken; -1 when none is free.
  int PickTunerForTimer();

  // The stop command on a graph that records.
  void StopRecordingByUser(int graph);

  void SuspendNotice();
  void AwayModeNotice(bool on) { awayMode_ = on; }
  // Log-off or shut-down asks; true allows it.
  bool QueryEndSession();
  // The log-off or shut-down ends (`ending`) or does not happen after all.
  void EndSession(bool ending);

  bool AnyRecording() const;
  bool RecordingLatch() const { return latch_; }
  bool ExitAfterRecording() const { return exitAfterRecording_; }

 private:
  void KeepAwake();
  void UpdateLatch();
  void StartTimer(TimerRecord& timer, int graph, std::int64_t now);
  // Stops what the timer records and frees its graph; the timer's recording
  // flag is left to the caller.
  void ReleaseGraph(TimerRecord& timer);
  void StopOnGraph(IRecorderGraph& graph);
  void ReleaseClaim(IRecorderGraph& graph);
  IRecorderGraph* Linked(const TimerRecord& timer) const;

  TimerList& timers_;
  const Clock& clock_;
  IPower& power_;
  ISchedulerShell& shell_;
  bool& busy_;
  GuidePass guide_;
  std::vector<IRecorderGraph*> graphs_;
  bool started_ = false;
  bool inTick_ = false;
  bool latch_ = false;
  bool exitAfterRecording_ = false;
  bool awayMode_ = false;
};

}  // namespace recording

// What the timers of a soak run did against what they had to do: every start
// and end a graph saw is matched to the occurrence it belongs to. An
// occurrence is missed when nothing started for it; a start or end counts as
// on time within a tolerance after the occurrence's own start or end (the
// scheduler looks once a second and starts one timer per look).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/soak/TimerPlan.h"
#include "platform/com/Guid.h"

namespace soak {

struct Recording {
  std::size_t occurrence = 0;  // index into the expected occurrences
  int graph = 0;
  std::int64_t startedUtc = 0;
  std::int64_t finishedUtc = -1;  // -1 while it runs
  bool stopped = true;            // the graph left the recording state at the end
  std::filesystem::path file;
};

struct LedgerSummary {
  int due = 0;
  int started = 0;
  int startedOnTime = 0;
  int finished = 0;
  int finishedOnTime = 0;
  int missed = 0;
  int unexpected = 0;  // starts or ends that belong to no occurrence
  bool Clean() const {
    return missed == 0 && unexpected == 0 && startedOnTime == due && finishedOnTime == due;
  }
};

class TimerLedger {
 public:
  TimerLedger(std::vector<Occurrence> expected, std::int64_t toleranceSeconds)
      : expected_(std::move(expected)), tolerance_(toleranceSeconds) {}

  void Started(const GUID& identity, int graph, std::int64_t nowUtc, std::filesystem::path file);
  void Finished(const GUID& identity, int graph, std::int64_t nowUtc, bool stopped);

  // Occurrences that began by `nowUtc` and ended before it count as due.
  LedgerSummary Summarize(std::int64_t nowUtc) const;

  const std::vector<Occurrence>& Expected() const { return expected_; }
  const std::vector<Recording>& Recordings() const { return recordings_; }

 private:
  std::vector<Occurrence> expected_;
  std::int64_t tolerance_;
  std::vector<Recording> recordings_;
  int unexpected_ = 0;
};

}  // namespace soak

#include "bench/soak/TimerLedger.h"

#include <algorithm>

namespace soak {

void TimerLedger::Started(const GUID& identity, int graph, std::int64_t now,
                          std::filesystem::path file) {
  for (std::size_t i = 0; i < expected_.size(); ++i) {
    const Occurrence& o = expected_[i];
    if (o.identity == identity && o.startUtc <= now && now < o.endUtc) {
      recordings_.push_back({i, graph, now, -1, true, std::move(file)});
      return;
    }
  }
  ++unexpected_;
}

void TimerLedger::Finished(const GUID& identity, int graph, std::int64_t now, bool stopped) {
  for (auto r = recordings_.rbegin(); r != recordings_.rend(); ++r) {
    if (r->graph == graph && r->finishedUtc < 0 && expected_[r->occurrence].identity == identity) {
      r->finishedUtc = now;
      r->stopped = stopped;
      return;
    }
  }
  ++unexpected_;
}

LedgerSummary TimerLedger::Summarize(std::int64_t now) const {
  LedgerSummary s;
  s.unexpected = unexpected_;
  for (std::size_t i = 0; i < expected_.size(); ++i) {
    const Occurrence& o = expected_[i];
    if (o.endUtc >= now) continue;
    ++s.due;
    const auto r = std::find_if(recordings_.begin(), recordings_.end(),
                                [i](const Recording& x) { return x.occurrence == i; });
    if (r == recordings_.end()) {
      ++s.missed;
      continue;
    }
    // A second start for the same occurrence would record it twice.
    if (std::count_if(recordings_.begin(), recordings_.end(),
                      [i](const Recording& x) { return x.occurrence == i; }) > 1) {
      ++s.unexpected;
    }
    ++s.started;
    if (r->startedUtc - o.startUtc <= tolerance_) ++s.startedOnTime;
    if (r->finishedUtc < 0) continue;
    ++s.finished;
    if (r->stopped && r->finishedUtc >= o.endUtc && r->finishedUtc - o.endUtc <= tolerance_) {
      ++s.finishedOnTime;
    }
  }
  return s;
}

}  // namespace soak

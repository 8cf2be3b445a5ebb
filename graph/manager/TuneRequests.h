// Tune requests of one graph manager: each is posted to the graph thread with
// its own channel block, and a burst of requests ends in one tune, to the
// newest channel. The count and the current channel have their own small
// lock, never held while anything else is called, so a request never waits
// for a tune in progress.
#pragma once

#include <cstdint>
#include <mutex>

#include "graph/manager/GraphThread.h"
#include "platform/com/HResult.h"
#include "tuning/ChannelLocator.h"

namespace graph {

class TuneRequests {
 public:
  // Posts WM_GRAPH_TUNE with a copy of `locator`; with `remember` the locator
  // also becomes the current channel. Fails, counting nothing, when the graph
  // thread takes no more messages.
  HRESULT Post(GraphThread& thread, const tuning::ChannelLocator& locator, bool remember);

  // On the graph thread, for each WM_GRAPH_TUNE taken from the queue: true
  // when it is the newest one posted, the only one to carry out.
  bool TakeNewest();

  // Forgets the tunes posted so far: the ones still queued will not tune.
  void DiscardPending();

  tuning::ChannelLocator Current() const;
  void SetCurrent(const tuning::ChannelLocator& locator);
  std::int32_t Pending() const;

 private:
  mutable std::mutex lock_;
  std::int32_t pending_ = 0;
  std::int32_t discarded_ = 0;  // queued tunes that must not tune any more
  tuning::ChannelLocator current_;
};

}  // namespace graph

#include "graph/manager/TuneRequests.h"

#include <memory>

namespace graph {

HRESULT TuneRequests::Post(GraphThread& thread, const tuning::ChannelLocator& locator,
                           bool remember) {
  GraphThreadMessage message;
  message.id = ThreadMessage::WM_GRAPH_TUNE;
  message.locator = std::make_unique<tuning::ChannelLocator>(locator);
  std::lock_guard lock(lock_);
  if (remember) current_ = locator;
  // Counted before the post so the graph thread never sees a tune it has not
  // been told about; taken back when the post fails.
  ++pending_;
  if (!thread.Post(std::move(message))) {
    --pending_;
    return E_FAIL;
  }
  return S_OK;
}

bool TuneRequests::TakeNewest() {
  std::lock_guard lock(lock_);
  if (discarded_ > 0) {
    --discarded_;
    return false;
  }
  return --pending_ == 0;
}

void TuneRequests::DiscardPending() {
  std::lock_guard lock(lock_);
  discarded_ += pending_;
  pending_ = 0;
}

tuning::ChannelLocator TuneRequests::Current() const {
  std::lock_guard lock(lock_);
  return current_;
}

void TuneRequests::SetCurrent(const tuning::ChannelLocator& locator) {
  std::lock_guard lock(lock_);
  current_ = locator;
}

std::int32_t TuneRequests::Pending() const {
  std::lock_guard lock(lock_);
  return pending_;
}

}  // namespace graph

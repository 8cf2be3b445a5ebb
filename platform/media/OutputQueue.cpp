#include "platform/media/OutputQueue.h"

COutputQueue::COutputQueue(IPin* inputPin, HRESULT* hr, bool automatic, bool queue, LONG batchSize,
                           bool batchExact, LONG, int, bool)
    : pin_(inputPin), batchSize_(batchSize < 1 ? 1 : batchSize), batchExact_(batchExact) {
  HRESULT result = S_OK;
  if (inputPin == nullptr) {
    result = E_POINTER;
  } else {
    result = inputPin->QueryInterface(IID_PPV_ARGS(&input_));
  }
  if (FAILED(result)) {
    if (hr) *hr = result;
    queued_ = false;
    return;
  }
  queued_ = automatic ? input_->ReceiveCanBlock() == S_OK : queue;
  if (queued_) thread_ = std::thread([this] { ThreadProc(); });
  if (hr) *hr = S_OK;
}

COutputQueue::~COutputQueue() {
  std::deque<Item> left;
  {
    std::lock_guard lock(mutex_);
    terminate_ = true;
    left.swap(items_);
    work_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
  ReleaseAll(left);
  for (IMediaSample* s : directBatch_)
    s->Release();
}

void COutputQueue::ReleaseAll(std::deque<Item>& items) {
  for (Item& item : items) {
    if (item.sample) item.sample->Release();
  }
  items.clear();
}

HRESULT COutputQueue::Receive(IMediaSample* sample) {
  LONG processed = 0;
  return ReceiveMultiple(&sample, 1, &processed);
}

HRESULT COutputQueue::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) {
  if (processed) *processed = 0;
  if (!input_) {
    for (LONG i = 0; i < count; ++i)
      samples[i]->Release();
    return VFW_E_NOT_CONNECTED;
  }
  if (!queued_) {
    std::vector<IMediaSample*> batch;
    HRESULT failure = S_OK;
    {
      std::lock_guard lock(mutex_);
      failure = result_;
      if (failure != S_OK || flushing_) {
        for (LONG i = 0; i < count; ++i)
          samples[i]->Release();
        return FAILED(failure) ? failure : S_FALSE;
      }
      for (LONG i = 0; i < count; ++i)
        directBatch_.push_back(samples[i]);
      if (static_cast<LONG>(directBatch_.size()) >= batchSize_ || !batchExact_) {
        batch.swap(directBatch_);
      }
    }
    if (!batch.empty()) SendBatch(batch);
    if (processed) *processed = count;
    return LastResult();
  }
  std::lock_guard lock(mutex_);
  if (result_ != S_OK || flushing_) {
    for (LONG i = 0; i < count; ++i)
      samples[i]->Release();
    return FAILED(result_) ? result_ : S_FALSE;
  }
  for (LONG i = 0; i < count; ++i)
    items_.push_back({Kind::kSample, samples[i]});
  work_.notify_all();
  if (processed) *processed = count;
  return S_OK;
}

void COutputQueue::SendBatch(std::vector<IMediaSample*>& batch) {
  HRESULT hr = S_OK;
  LONG done = 0;
  {
    std::lock_guard lock(mutex_);
    hr = result_;
  }
  if (hr == S_OK) {
    hr = input_->ReceiveMultiple(batch.data(), static_cast<LONG>(batch.size()), &done);
  }
  for (IMediaSample* s : batch)
    s->Release();
  batch.clear();
  if (hr != S_OK) {
    std::lock_guard lock(mutex_);
    // S_FALSE means the downstream pin wants no more samples (it is flushing or
    // has ended): like a failure it stops delivery until the next flush.
    if (SUCCEEDED(result_)) result_ = FAILED(hr) ? hr : S_FALSE;
  }
}

void COutputQueue::DeliverControl(const Item& item) {
  if (item.kind == Kind::kEndOfStream) {
    pin_->EndOfStream();
  } else if (item.kind == Kind::kNewSegment) {
    pin_->NewSegment(item.start, item.stop, item.rate);
  }
}

void COutputQueue::EOS() {
  {
    std::lock_guard lock(mutex_);
    if (flushing_) return;
  }
  if (!queued_) {
    SendAnyway();
    if (pin_) pin_->EndOfStream();
    return;
  }
  std::lock_guard lock(mutex_);
  items_.push_back({Kind::kEndOfStream});
  work_.notify_all();
}

void COutputQueue::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  if (!queued_) {
    SendAnyway();
    if (pin_) pin_->NewSegment(start, stop, rate);
    return;
  }
  std::lock_guard lock(mutex_);
  Item item{Kind::kNewSegment};
  item.start = start;
  item.stop = stop;
  item.rate = rate;
  items_.push_back(item);
  work_.notify_all();
}

void COutputQueue::SendAnyway() {
  if (!queued_) {
    std::vector<IMediaSample*> batch;
    {
      std::lock_guard lock(mutex_);
      batch.swap(directBatch_);
    }
    if (!batch.empty()) SendBatch(batch);
    return;
  }
  std::lock_guard lock(mutex_);
  sendAnyway_ = true;
  work_.notify_all();
}

void COutputQueue::BeginFlush() {
  std::deque<Item> dropped;
  std::vector<IMediaSample*> batch;
  {
    std::lock_guard lock(mutex_);
    flushing_ = true;
    dropped.swap(items_);
    batch.swap(directBatch_);
    work_.notify_all();
  }
  ReleaseAll(dropped);
  for (IMediaSample* s : batch)
    s->Release();
  if (pin_) pin_->BeginFlush();
}

void COutputQueue::EndFlush() {
  {
    std::unique_lock lock(mutex_);
    // A delivery in progress finishes (the downstream pin is flushing, so it
    // returns at once) before the flush ends.
    idle_.wait(lock, [this] { return !busy_ || !queued_; });
    items_.clear();
    flushing_ = false;
    result_ = S_OK;
  }
  if (pin_) pin_->EndFlush();
}

bool COutputQueue::IsIdle() {
  std::lock_guard lock(mutex_);
  return items_.empty() && directBatch_.empty() && !busy_;
}

void COutputQueue::WaitUntilIdle() {
  if (!queued_) return;
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return items_.empty() && !busy_; });
}

HRESULT COutputQueue::LastResult() {
  std::lock_guard lock(mutex_);
  return result_;
}

void COutputQueue::ThreadProc() {
  std::vector<IMediaSample*> batch;
  for (;;) {
    Item control{Kind::kSample};
    bool haveControl = false;
    {
      std::unique_lock lock(mutex_);
      busy_ = false;
      idle_.notify_all();
      work_.wait(lock, [this] {
        if (terminate_) return true;
        if (items_.empty()) return false;
        if (!batchExact_ || sendAnyway_) return true;
        // Exact batching: wait for a full batch unless a stream call is queued.
        LONG samples = 0;
        for (const Item& item : items_) {
          if (item.kind != Kind::kSample) return true;
          ++samples;
        }
        return samples >= batchSize_;
      });
      if (terminate_) return;
      sendAnyway_ = false;
      busy_ = true;
      while (!items_.empty() && static_cast<LONG>(batch.size()) < batchSize_) {
        Item item = items_.front();
        if (item.kind != Kind::kSample) {
          // Samples before a stream call go first; the call follows them.
          if (!batch.empty()) break;
          items_.pop_front();
          control = item;
          haveControl = true;
          break;
        }
        items_.pop_front();
        batch.push_back(item.sample);
      }
    }
    if (!batch.empty()) SendBatch(batch);
    if (haveControl) DeliverControl(control);
  }
}

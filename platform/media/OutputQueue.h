// COutputQueue: delivers samples and stream calls (end of stream, new segment,
// flushes) to one downstream input pin, in the order they were given.
//
// Mode: queued (a worker thread delivers, so the caller never waits for the
// downstream Receive) or direct (the caller's thread delivers). In automatic
// mode the queue is used only when the downstream pin says its Receive can
// block (IMemInputPin::ReceiveCanBlock is S_OK).
//
// Samples are sent in batches of `batchSize` through ReceiveMultiple; with
// exact batching a partial batch waits for more samples (or SendAnyway, end of
// stream, new segment). `queueLength` is the expected depth of the queue; the
// buffers of the upstream allocator bound how many samples can wait.
//
// After a failed delivery every later sample is released unsent and the failure
// returned, until EndFlush resets it. BeginFlush discards everything queued and
// passes BeginFlush on at once (it must reach a downstream pin that is blocked);
// samples and end of stream given while flushing are dropped; EndFlush waits
// until the worker has finished its delivery, then passes EndFlush on.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/media/Interfaces.h"

class COutputQueue {
 public:
  static constexpr LONG kDefaultQueueLength = 1;

  COutputQueue(IPin* inputPin, HRESULT* hr, bool automatic = true, bool queue = true,
               LONG batchSize = 1, bool batchExact = false, LONG queueLength = kDefaultQueueLength,
               int priority = 0, bool flushingOptimisation = false);
  ~COutputQueue();
  COutputQueue(const COutputQueue&) = delete;
  COutputQueue& operator=(const COutputQueue&) = delete;

  // Takes over the caller's reference to the sample (delivered or released).
  HRESULT Receive(IMediaSample* sample);
  HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed);
  void EOS();
  void NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
  void BeginFlush();
  void EndFlush();
  // Sends a partial batch now.
  void SendAnyway();

  bool IsQueued() const { return queued_; }
  // True while samples wait (queued mode) or a batch is held (direct mode).
  bool IsIdle();
  // Queued mode: blocks until the worker has delivered everything queued so
  // far (with exact batching, SendAnyway first so a partial batch goes).
  // Returns at once in direct mode, where the caller's thread delivers.
  void WaitUntilIdle();
  // The first failed delivery since the last EndFlush, else S_OK.
  HRESULT LastResult();

 private:
  enum class Kind { kSample, kEndOfStream, kNewSegment };
  struct Item {
    Kind kind;
    IMediaSample* sample = nullptr;
    REFERENCE_TIME start = 0, stop = 0;
    double rate = 1.0;
  };

  void ThreadProc();
  // Delivers the held batch (caller holds no lock); records a failure.
  void SendBatch(std::vector<IMediaSample*>& batch);
  void DeliverControl(const Item& item);
  void ReleaseAll(std::deque<Item>& items);

  ComPtr<IPin> pin_;
  ComPtr<IMemInputPin> input_;
  bool queued_;
  LONG batchSize_;
  bool batchExact_;

  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable idle_;
  std::deque<Item> items_;
  std::vector<IMediaSample*> directBatch_;  // direct mode: samples held for a batch
  bool sendAnyway_ = false;
  bool flushing_ = false;
  bool terminate_ = false;
  bool busy_ = false;  // the worker is delivering
  HRESULT result_ = S_OK;
  std::thread thread_;
};

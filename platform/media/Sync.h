// Locks, events and the worker thread of the framework.
//  - CCritSec: a recursive lock (the platform's critical section); CAutoLock
//    holds one for a scope.
//  - CAMEvent: manual- or auto-reset event; CAMSemaphore: counting semaphore.
//  - CAMThread: a worker thread driven by commands: CallWorker posts a command
//    and waits for the worker's Reply. The worker sees a command with
//    GetRequest (waiting) or CheckRequest (polling); the command stays pending
//    until the worker replies, so a loop may notice it with CheckRequest, return,
//    and answer it from the outer GetRequest.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/com/HResult.h"
#include "platform/com/Types.h"

class CCritSec {
 public:
  void Lock() { mutex_.lock(); }
  void Unlock() { mutex_.unlock(); }
  // Standard lockable names, so std::scoped_lock and std::unique_lock work too.
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  bool try_lock() { return mutex_.try_lock(); }

 private:
  std::recursive_mutex mutex_;
};

class CAutoLock {
 public:
  explicit CAutoLock(CCritSec* lock) : lock_(lock) { lock_->Lock(); }
  ~CAutoLock() { lock_->Unlock(); }
  CAutoLock(const CAutoLock&) = delete;
  CAutoLock& operator=(const CAutoLock&) = delete;

 private:
  CCritSec* lock_;
};

class CAMEvent {
 public:
  explicit CAMEvent(bool manualReset = false) : manual_(manualReset) {}
  void Set();
  void Reset();
  // True when signalled within the time (INFINITE waits for ever); an
  // auto-reset event is reset by the wait that sees it.
  bool Wait(DWORD milliseconds = 0xFFFFFFFF);
  bool Check() { return Wait(0); }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool manual_;
  bool signalled_ = false;
};

class CAMSemaphore {
 public:
  explicit CAMSemaphore(long initial = 0, long maximum = 0x7FFFFFFF)
      : count_(initial), maximum_(maximum) {}
  bool Release(long count = 1);  // false (nothing changed) beyond the maximum
  bool Wait(DWORD milliseconds = 0xFFFFFFFF);
  long Count();

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  long count_;
  long maximum_;
};

class CAMThread {
 public:
  CAMThread() = default;
  virtual ~CAMThread();
  CAMThread(const CAMThread&) = delete;
  CAMThread& operator=(const CAMThread&) = delete;

  // Starts the thread running ThreadProc; false when one already runs.
  bool Create();
  // Waits for the thread to end.
  void Close();
  bool ThreadExists() const { return thread_.joinable(); }

  // Posts a command and waits for the worker's reply.
  DWORD CallWorker(DWORD request);
  // Worker side: the next command (blocking), a command if one waits, a reply.
  DWORD GetRequest();
  bool CheckRequest(DWORD* request);
  // Waits up to the time for a command to arrive without taking it; true when one waits.
  bool WaitForRequest(DWORD milliseconds);
  void Reply(DWORD result);

  CCritSec* AccessLock() { return &accessLock_; }

 protected:
  virtual DWORD ThreadProc() = 0;

 private:
  std::thread thread_;
  CCritSec accessLock_;  // one caller at a time in CallWorker
  std::mutex mutex_;
  std::condition_variable cv_;
  bool requestPending_ = false;
  DWORD request_ = 0;
  bool replyPending_ = false;
  DWORD reply_ = 0;
};

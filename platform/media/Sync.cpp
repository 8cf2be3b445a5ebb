#include "platform/media/Sync.h"

#include <chrono>

namespace {

template <class Predicate>
bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, DWORD ms,
             Predicate ready) {
  if (ms == 0xFFFFFFFF) {
    cv.wait(lock, ready);
    return true;
  }
  return cv.wait_for(lock, std::chrono::milliseconds(ms), ready);
}

}  // namespace

void CAMEvent::Set() {
  std::lock_guard lock(mutex_);
  signalled_ = true;
  if (manual_) {
    cv_.notify_all();
  } else {
    cv_.notify_one();
  }
}

void CAMEvent::Reset() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

bool CAMEvent::Wait(DWORD milliseconds) {
  std::unique_lock lock(mutex_);
  if (!WaitFor(cv_, lock, milliseconds, [this] { return signalled_; })) return false;
  if (!manual_) signalled_ = false;
  return true;
}

bool CAMSemaphore::Release(long count) {
  std::lock_guard lock(mutex_);
  if (count <= 0 || count_ > maximum_ - count) return false;
  count_ += count;
  cv_.notify_all();
  return true;
}

bool CAMSemaphore::Wait(DWORD milliseconds) {
  std::unique_lock lock(mutex_);
  if (!WaitFor(cv_, lock, milliseconds, [this] { return count_ > 0; })) return false;
  --count_;
  return true;
}

long CAMSemaphore::Count() {
  std::lock_guard lock(mutex_);
  return count_;
}

CAMThread::~CAMThread() {
  Close();
}

bool CAMThread::Create() {
  CAutoLock lock(&accessLock_);
  if (thread_.joinable()) return false;
  thread_ = std::thread([this] { ThreadProc(); });
  return true;
}

void CAMThread::Close() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

DWORD CAMThread::CallWorker(DWORD request) {
  CAutoLock access(&accessLock_);
  if (!thread_.joinable()) return static_cast<DWORD>(E_FAIL);
  std::unique_lock lock(mutex_);
  request_ = request;
  requestPending_ = true;
  replyPending_ = false;
  cv_.notify_all();
  cv_.wait(lock, [this] { return replyPending_; });
  replyPending_ = false;
  return reply_;
}

DWORD CAMThread::GetRequest() {
  std::unique_lock lock(mutex_);
  cv_.wait(lock, [this] { return requestPending_; });
  return request_;
}

bool CAMThread::CheckRequest(DWORD* request) {
  std::lock_guard lock(mutex_);
  if (!requestPending_) return false;
  if (request) *request = request_;
  return true;
}

bool CAMThread::WaitForRequest(DWORD milliseconds) {
  std::unique_lock lock(mutex_);
  return WaitFor(cv_, lock, milliseconds, [this] { return requestPending_; });
}

void CAMThread::Reply(DWORD result) {
  std::lock_guard lock(mutex_);
  reply_ = result;
  requestPending_ = false;
  replyPending_ = true;
  cv_.notify_all();
}

#include "platform/media/SystemClock.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "platform/media/Sync.h"

CBaseReferenceClock::CBaseReferenceClock(const char* objectName) : CUnknown(objectName) {}

CBaseReferenceClock::~CBaseReferenceClock() {
  StopThread();
}

void CBaseReferenceClock::StartThreadLocked() {
  if (!thread_.joinable() && !terminate_) thread_ = std::thread([this] { ThreadProc(); });
}

void CBaseReferenceClock::StopThread() {
  {
    std::lock_guard lock(mutex_);
    terminate_ = true;
    changed_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
}

CUnknown* CSystemClock::CreateInstance(IUnknown*, HRESULT* hr) {
  auto* clock = new (std::nothrow) CSystemClock;
  if (hr) *hr = clock ? S_OK : E_OUTOFMEMORY;
  return clock;
}

HRESULT CBaseReferenceClock::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IReferenceClock) return GetInterface(static_cast<IReferenceClock*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

REFERENCE_TIME CBaseReferenceClock::Now() {
  using namespace std::chrono;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() / 100;
}

REFERENCE_TIME CBaseReferenceClock::GetPrivateTime() {
  return Now();
}

HRESULT CBaseReferenceClock::GetTime(REFERENCE_TIME* time) {
  if (time == nullptr) return E_POINTER;
  const REFERENCE_TIME now = GetPrivateTime();
  std::lock_guard lock(mutex_);
  last_ = std::max(last_, now);
  *time = last_;
  return S_OK;
}

void CBaseReferenceClock::TriggerThread() {
  std::lock_guard lock(mutex_);
  changed_.notify_all();
}

HRESULT CBaseReferenceClock::AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime,
                                        HEVENT event, DWORD_PTR* cookie) {
  if (event == nullptr || cookie == nullptr) return E_POINTER;
  if (baseTime < 0 || streamTime < 0) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  StartThreadLocked();
  *cookie = nextCookie_++;
  advises_[*cookie] = {baseTime + streamTime, 0, event, nullptr};
  changed_.notify_all();
  return S_OK;
}

HRESULT CBaseReferenceClock::AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime,
                                            HSEMAPHORE semaphore, DWORD_PTR* cookie) {
  if (semaphore == nullptr || cookie == nullptr) return E_POINTER;
  if (startTime < 0 || periodTime <= 0) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  StartThreadLocked();
  *cookie = nextCookie_++;
  advises_[*cookie] = {startTime, periodTime, nullptr, semaphore};
  changed_.notify_all();
  return S_OK;
}

HRESULT CBaseReferenceClock::Unadvise(DWORD_PTR cookie) {
  std::lock_guard lock(mutex_);
  return advises_.erase(cookie) ? S_OK : S_FALSE;
}

void CBaseReferenceClock::ThreadProc() {
  std::unique_lock lock(mutex_);
  while (!terminate_) {
    lock.unlock();
    const REFERENCE_TIME privateNow = GetPrivateTime();
    lock.lock();
    last_ = std::max(last_, privateNow);
    const REFERENCE_TIME now = last_;
    REFERENCE_TIME next = MAX_TIME;
    for (auto it = advises_.begin(); it != advises_.end();) {
      Advise& a = it->second;
      if (a.due <= now) {
        if (a.period == 0) {
          a.event->Set();
          it = advises_.erase(it);
          continue;
        }
        a.semaphore->Release();
        // A late periodic advise fires once and catches up to the next period.
        a.due += ((now - a.due) / a.period + 1) * a.period;
      }
      next = std::min(next, a.due);
      ++it;
    }
    if (next == MAX_TIME) {
      changed_.wait(lock);
    } else {
      changed_.wait_for(lock, std::chrono::nanoseconds((next - now) * 100));
    }
  }
}

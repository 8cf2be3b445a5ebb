// Reference clocks.
//
// CBaseReferenceClock serves GetTime and the advise requests from a time base a
// derived clock supplies through GetPrivateTime (a clock slaved to a stream's
// PCR, for example); GetTime never goes backwards even when the private time
// does. One worker thread, started by the first advise, sleeps until the
// earliest advise is due, assuming the private time runs at about the rate of
// the system's monotonic clock.
//
// CSystemClock (CLSID_SystemClock) is the base clock on the monotonic clock.
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "platform/com/Unknown.h"
#include "platform/media/Interfaces.h"

class CBaseReferenceClock : public CUnknown, public IReferenceClock {
 public:
  explicit CBaseReferenceClock(const char* objectName);
  ~CBaseReferenceClock() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  HRESULT GetTime(REFERENCE_TIME* time) override;
  HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event,
                     DWORD_PTR* cookie) override;
  HRESULT AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime, HSEMAPHORE semaphore,
                         DWORD_PTR* cookie) override;
  HRESULT Unadvise(DWORD_PTR cookie) override;

  // The monotonic system time in 100 ns units.
  static REFERENCE_TIME Now();

 protected:
  // The clock's own time base; the default is Now().
  virtual REFERENCE_TIME GetPrivateTime();
  // Wakes the advise thread after the private time jumped (re-checks all advises).
  void TriggerThread();
  // Ends the advise thread. A derived clock calls it in its destructor, before
  // its GetPrivateTime goes away; the base calls it too.
  void StopThread();

 private:
  struct Advise {
    REFERENCE_TIME due;
    REFERENCE_TIME period;  // 0 for a one-shot advise
    HEVENT event;
    HSEMAPHORE semaphore;
  };
  void ThreadProc();
  void StartThreadLocked();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<DWORD_PTR, Advise> advises_;
  DWORD_PTR nextCookie_ = 1;
  bool terminate_ = false;
  REFERENCE_TIME last_ = 0;  // GetTime never goes below it
  std::thread thread_;
};

class CSystemClock : public CBaseReferenceClock {
 public:
  CSystemClock() : CBaseReferenceClock("system clock") {}
  ~CSystemClock() override { StopThread(); }
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);
};

// CBaseFilter: the base of every filter. It keeps the filter's state (stopped,
// paused, running), its reference clock, the stream start time given to Run,
// its name and graph, and enumerates the pins a derived class supplies through
// GetPinCount/GetPin.
//
// State changes walk the connected pins: Pause from Stopped activates each
// (Active), Run passes the start time to each (Run), Stop deactivates each
// (Inactive). All of it runs under the filter lock handed to the constructor.
#pragma once

#include <atomic>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/media/Interfaces.h"
#include "platform/media/Sync.h"

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter {
 public:
  CBaseFilter(const char* objectName, CCritSec* lock, REFCLSID clsid);
  ~CBaseFilter() override;

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IPersist
  HRESULT GetClassID(CLSID* clsid) override;
  // IMediaFilter
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD milliseconds, FILTER_STATE* state) override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;
  HRESULT GetSyncSource(IReferenceClock** clock) override;
  // IBaseFilter
  HRESULT EnumPins(IEnumPins** pins) override;
  HRESULT FindPin(LPCWSTR id, IPin** pin) override;
  HRESULT QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  HRESULT QueryVendorInfo(LPWSTR* vendorInfo) override;

  // The pins, numbered from 0; null beyond the count.
  virtual int GetPinCount() = 0;
  virtual CBasePin* GetPin(int n) = 0;

  FILTER_STATE State() const { return state_.load(); }
  bool IsActive() const { return state_.load() != State_Stopped; }
  bool IsStopped() const { return state_.load() == State_Stopped; }
  // The start time given to the last Run (the clock time of stream time 0).
  REFERENCE_TIME StartTime() const { return start_.load(); }
  // Stream time now: clock time minus the start time. VFW_E_NO_CLOCK without a clock.
  HRESULT StreamTime(REFERENCE_TIME* time);
  // Passes an event to the graph; EC_COMPLETE carries the filter as param2.
  HRESULT NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2);
  // The graph the filter belongs to (no reference added) and its name in it.
  IFilterGraph* GetFilterGraph() const { return graph_; }
  std::u16string Name() const;
  // Reconnects a connected pin of this filter with the type: through the
  // graph when the filter is in one, else directly with its peer.
  HRESULT ReconnectPin(IPin* pin, const AM_MEDIA_TYPE* mt);
  CCritSec* FilterLock() const { return lock_; }
  // A changed pin set (pins added or removed) invalidates pin enumerators.
  LONG GetPinVersion() const { return pinVersion_.load(); }
  void IncrementPinVersion() { ++pinVersion_; }
  // The filter's clock (no reference added), null without one.
  IReferenceClock* Clock() const { return clock_.Get(); }

 protected:
  CCritSec* lock_;
  std::atomic<FILTER_STATE> state_{State_Stopped};
  std::atomic<REFERENCE_TIME> start_{0};
  ComPtr<IReferenceClock> clock_;
  CLSID clsid_;

 private:
  IFilterGraph* graph_ = nullptr;  // not held: the graph holds the filter
  IMediaEventSink* sink_ = nullptr;
  std::u16string name_;
  std::atomic<LONG> pinVersion_{1};
};

// Copies a name into a fixed-size WCHAR field, cut and zero-terminated.
void CopyName(WCHAR* field, std::size_t capacity, std::u16string_view name);
// A CoTaskMemAlloc'd zero-terminated copy of a name.
LPWSTR TaskCopyName(std::u16string_view name);

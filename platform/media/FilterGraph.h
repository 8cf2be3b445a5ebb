// CFilterGraph: the filter graph manager (CLSID_FilterGraph).
//
//  - IFilterGraph2 / IGraphBuilder: filters by unique name (a taken name gets a
//    number appended and VFW_S_DUPLICATE_NAME), enumeration newest first, direct
//    connections only (Connect = ConnectDirect without a type).
//  - IMediaControl: state changes go to the filters downstream first (renderers
//    before their sources). Run and Pause answer S_FALSE while a filter has not
//    completed the change; GetState waits up to its timeout and answers
//    VFW_S_STATE_INTERMEDIATE (or a live source's VFW_S_CANT_CUE).
//  - Reference clock: the one set with IMediaFilter::SetSyncSource (null: no
//    clock, renderers render at once); else at the first Pause a filter's own
//    clock, renderers first; else the system clock. Stream time starts at 0
//    shortly after Run, holds while paused, restarts at 0 after a seek and Stop.
//  - IMediaEventEx: events queue in arrival order; each posts the notify
//    window's message (see SetNotifyPoster). EC_COMPLETE is held back until
//    every renderer (a filter with connected inputs and no connected outputs)
//    has sent its own, unless its default handling is cancelled.
//  - IMediaSeeking: passed to the renderers that answer it (each passes it
//    upstream), or to any filter that does; the current position is the last
//    seek position plus stream time times the rate. A seek while running pauses,
//    seeks and runs again.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/media/Interfaces.h"
#include "platform/media/Sync.h"

namespace media {

// How a graph's event notification reaches a window: the UI layer installs a
// poster that posts (window, message, wParam, lParam) to its message queue.
using NotifyPoster =
    std::function<void(OAHWND window, LONG message, LONG_PTR wParam, LONG_PTR lParam)>;
void SetNotifyPoster(NotifyPoster poster);

}  // namespace media

class CFilterGraph : public CUnknown,
                     public IFilterGraph2,
                     public IMediaControl,
                     public IMediaEventEx,
                     public IMediaEventSink,
                     public IMediaSeeking,
                     public IMediaFilter {
 public:
  CFilterGraph();
  ~CFilterGraph() override;

  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IFilterGraph, IGraphBuilder, IFilterGraph2
  HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
  HRESULT RemoveFilter(IBaseFilter* filter) override;
  HRESULT EnumFilters(IEnumFilters** filters) override;
  HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
  HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) override;
  HRESULT Reconnect(IPin* pin) override;
  HRESULT Disconnect(IPin* pin) override;
  HRESULT SetDefaultSyncSource() override;
  HRESULT Connect(IPin* out, IPin* in) override;
  HRESULT Render(IPin* out) override;
  HRESULT Abort() override;
  HRESULT ShouldOperationContinue() override;
  HRESULT ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mt) override;

  // IMediaControl (Stop and Pause serve IMediaFilter too)
  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT StopWhenReady() override;
  HRESULT GetState(LONG msTimeout, OAFilterState* state) override;

  // IMediaFilter (the graph's clock)
  HRESULT GetClassID(CLSID* clsid) override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD milliseconds, FILTER_STATE* state) override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;
  HRESULT GetSyncSource(IReferenceClock** clock) override;

  // IMediaEvent, IMediaEventEx
  HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) override;
  HRESULT WaitForCompletion(LONG msTimeout, LONG* eventCode) override;
  HRESULT CancelDefaultHandling(LONG eventCode) override;
  HRESULT RestoreDefaultHandling(LONG eventCode) override;
  HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;
  HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) override;
  HRESULT SetNotifyFlags(LONG flags) override;
  HRESULT GetNotifyFlags(LONG* flags) override;

  // IMediaEventSink
  HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;

  // IMediaSeeking
  HRESULT GetCapabilities(DWORD* capabilities) override;
  HRESULT CheckCapabilities(DWORD* capabilities) override;
  HRESULT IsFormatSupported(const GUID* format) override;
  HRESULT QueryPreferredFormat(GUID* format) override;
  HRESULT GetTimeFormat(GUID* format) override;
  HRESULT IsUsingTimeFormat(const GUID* format) override;
  HRESULT SetTimeFormat(const GUID* format) override;
  HRESULT GetDuration(LONGLONG* duration) override;
  HRESULT GetStopPosition(LONGLONG* stop) override;
  HRESULT GetCurrentPosition(LONGLONG* current) override;
  HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                            const GUID* sourceFormat) override;
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                       DWORD stopFlags) override;
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
  HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  HRESULT SetRate(double rate) override;
  HRESULT GetRate(double* rate) override;
  HRESULT GetPreroll(LONGLONG* preroll) override;

  // Stream time of the graph (0 when stopped).
  HRESULT GetStreamTime(REFERENCE_TIME* time);

  // Delay between Run and stream time 0, so the first samples are not late.
  static constexpr REFERENCE_TIME kRunLatency = 10 * kUnitsPerMillisecond;

 private:
  struct Entry {
    ComPtr<IBaseFilter> filter;
    std::u16string name;
  };
  struct Event {
    LONG code;
    LONG_PTR param1, param2;
  };

  bool Contains(IBaseFilter* filter);
  // The filters, each after every filter downstream of it.
  std::vector<ComPtr<IBaseFilter>> DownstreamFirst();
  std::vector<ComPtr<IMediaSeeking>> Seekers();
  void ChooseClock();
  void PrepareCompletion();
  HRESULT PauseInternal();
  HRESULT RunInternal();
  HRESULT StopInternal();
  REFERENCE_TIME StreamTimeLocked();
  void QueueEvent(LONG code, LONG_PTR param1, LONG_PTR param2);
  REFERENCE_TIME CurrentPositionLocked();

  CCritSec graphLock_;
  std::vector<Entry> filters_;  // in order of adding
  ComPtr<IReferenceClock> clock_;
  bool clockChosen_ = false;  // set by SetSyncSource or at the first start
  FILTER_STATE state_ = State_Stopped;
  REFERENCE_TIME startTime_ = 0;     // clock time of stream time 0 while running
  REFERENCE_TIME pausedStream_ = 0;  // stream time held while paused
  REFERENCE_TIME seekStart_ = 0;     // position of stream time 0
  double rate_ = 1.0;

  std::mutex eventMutex_;
  std::condition_variable eventArrived_;
  std::deque<Event> events_;
  std::set<LONG> cancelled_;
  std::set<IBaseFilter*> renderers_;
  std::set<IBaseFilter*> completed_;
  LONG_PTR completeResult_ = S_OK;
  OAHWND window_ = 0;
  LONG message_ = 0;
  LONG_PTR instanceData_ = 0;
  LONG notifyFlags_ = 0;
};

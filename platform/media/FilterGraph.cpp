#include "platform/media/FilterGraph.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <new>

#include "platform/media/MediaGuids.h"
#include "platform/media/SystemClock.h"

namespace media {
namespace {

std::mutex gPosterMutex;
NotifyPoster gPoster;

void Post(OAHWND window, LONG message, LONG_PTR lParam) {
  NotifyPoster poster;
  {
    std::lock_guard lock(gPosterMutex);
    poster = gPoster;
  }
  if (poster) poster(window, message, 0, lParam);
}

}  // namespace

void SetNotifyPoster(NotifyPoster poster) {
  std::lock_guard lock(gPosterMutex);
  gPoster = std::move(poster);
}

}  // namespace media

namespace {

class CEnumFilters : public CUnknown, public IEnumFilters {
 public:
  explicit CEnumFilters(std::vector<ComPtr<IBaseFilter>> filters, std::size_t position = 0)
      : CUnknown("filter enumerator"), filters_(std::move(filters)), position_(position) {}

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IEnumFilters) return GetInterface(static_cast<IEnumFilters*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) override {
    if (filters == nullptr) return E_POINTER;
    if (fetched == nullptr && count > 1) return E_INVALIDARG;
    ULONG n = 0;
    while (n < count && position_ < filters_.size()) {
      filters_[position_++].CopyTo(&filters[n++]);
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    position_ += count;
    if (position_ > filters_.size()) {
      position_ = filters_.size();
      return S_FALSE;
    }
    return S_OK;
  }
  HRESULT Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumFilters** clone) override {
    if (clone == nullptr) return E_POINTER;
    *clone = new CEnumFilters(filters_, position_);
    (*clone)->AddRef();
    return S_OK;
  }

 private:
  std::vector<ComPtr<IBaseFilter>> filters_;
  std::size_t position_;
};

// The filter a pin belongs to (reference held by the result).
ComPtr<IBaseFilter> PinFilter(IPin* pin) {
  PIN_INFO info;
  if (pin == nullptr || FAILED(pin->QueryPinInfo(&info))) return nullptr;
  ComPtr<IBaseFilter> filter;
  filter.Attach(info.pFilter);
  return filter;
}

template <class F>
void ForEachPin(IBaseFilter* filter, F visit) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins))) return;
  ComPtr<IPin> pin;
  while (pins->Next(1, &pin, nullptr) == S_OK)
    visit(pin.Get());
}

// Connected input pins and connected output pins of a filter.
void CountConnections(IBaseFilter* filter, int* inputs, int* outputs) {
  *inputs = *outputs = 0;
  ForEachPin(filter, [&](IPin* pin) {
    ComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(&peer))) return;
    PIN_DIRECTION dir;
    pin->QueryDirection(&dir);
    ++(dir == PINDIR_INPUT ? *inputs : *outputs);
  });
}

bool IsRenderer(IBaseFilter* filter) {
  int inputs = 0, outputs = 0;
  CountConnections(filter, &inputs, &outputs);
  return inputs > 0 && outputs == 0;
}

}  // namespace

CFilterGraph::CFilterGraph() : CUnknown("filter graph") {}

CFilterGraph::~CFilterGraph() {
  StopInternal();
  while (!filters_.empty())
    RemoveFilter(filters_.back().filter.Get());
}

CUnknown* CFilterGraph::CreateInstance(IUnknown*, HRESULT* hr) {
  auto* graph = new (std::nothrow) CFilterGraph;
  if (hr) *hr = graph ? S_OK : E_OUTOFMEMORY;
  return graph;
}

HRESULT CFilterGraph::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IFilterGraph) return GetInterface(static_cast<IFilterGraph*>(this), object);
  if (iid == IID_IGraphBuilder) return GetInterface(static_cast<IGraphBuilder*>(this), object);
  if (iid == IID_IFilterGraph2) return GetInterface(static_cast<IFilterGraph2*>(this), object);
  if (iid == IID_IMediaControl) return GetInterface(static_cast<IMediaControl*>(this), object);
  if (iid == IID_IMediaEvent) return GetInterface(static_cast<IMediaEvent*>(this), object);
  if (iid == IID_IMediaEventEx) return GetInterface(static_cast<IMediaEventEx*>(this), object);
  if (iid == IID_IMediaEventSink) return GetInterface(static_cast<IMediaEventSink*>(this), object);
  if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
  if (iid == IID_IMediaFilter) return GetInterface(static_cast<IMediaFilter*>(this), object);
  if (iid == IID_IPersist) return GetInterface(static_cast<IPersist*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

// ---- filters ------------------------------------------------------------------

bool CFilterGraph::Contains(IBaseFilter* filter) {
  return std::any_of(filters_.begin(), filters_.end(),
                     [&](const Entry& e) { return e.filter.Get() == filter; });
}

HRESULT CFilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
  if (filter == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  if (Contains(filter)) return E_INVALIDARG;
  std::u16string wanted = name && *name ? std::u16string(name) : std::u16string(u"Filter");
  if (wanted.size() >= MAX_FILTER_NAME) wanted.resize(MAX_FILTER_NAME - 6);
  auto taken = [&](const std::u16string& n) {
    return std::any_of(filters_.begin(), filters_.end(),
                       [&](const Entry& e) { return e.name == n; });
  };
  std::u16string unique = wanted;
  HRESULT result = S_OK;
  for (int n = 1; taken(unique); ++n) {
    const std::string digits = std::to_string(n);
    std::u16string padded(4 - std::min<std::size_t>(4, digits.size()), u'0');
    for (char c : digits)
      padded += static_cast<char16_t>(c);
    unique = wanted + u" " + padded;
    result = VFW_S_DUPLICATE_NAME;
  }
  HRESULT hr = filter->JoinFilterGraph(static_cast<IFilterGraph*>(this), unique.c_str());
  if (FAILED(hr)) return hr;
  filters_.push_back({filter, unique});
  if (clockChosen_) filter->SetSyncSource(clock_.Get());
  return result;
}

HRESULT CFilterGraph::RemoveFilter(IBaseFilter* filter) {
  if (filter == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  auto it = std::find_if(filters_.begin(), filters_.end(),
                         [&](const Entry& e) { return e.filter.Get() == filter; });
  if (it == filters_.end()) return VFW_E_NOT_FOUND;
  ComPtr<IBaseFilter> hold = it->filter;
  filter->Stop();
  ForEachPin(filter, [&](IPin* pin) {
    ComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(&peer))) return;
    ComPtr<IBaseFilter> peerFilter = PinFilter(peer.Get());
    // The peer side must be stopped to let go of the pin.
    if (peerFilter) peerFilter->Stop();
    peer->Disconnect();
    pin->Disconnect();
  });
  filters_.erase(it);
  filter->SetSyncSource(nullptr);
  filter->JoinFilterGraph(nullptr, nullptr);
  {
    std::lock_guard events(eventMutex_);
    renderers_.erase(filter);
    completed_.erase(filter);
  }
  return S_OK;
}

HRESULT CFilterGraph::EnumFilters(IEnumFilters** filters) {
  if (filters == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  std::vector<ComPtr<IBaseFilter>> list;
  for (auto it = filters_.rbegin(); it != filters_.rend(); ++it)
    list.push_back(it->filter);
  *filters = new CEnumFilters(std::move(list));
  (*filters)->AddRef();
  return S_OK;
}

HRESULT CFilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
  if (name == nullptr || filter == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  for (const Entry& e : filters_) {
    if (e.name == name) return e.filter.CopyTo(filter);
  }
  *filter = nullptr;
  return VFW_E_NOT_FOUND;
}

HRESULT CFilterGraph::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) {
  if (out == nullptr || in == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  ComPtr<IBaseFilter> upstream = PinFilter(out), downstream = PinFilter(in);
  if (!Contains(upstream.Get()) || !Contains(downstream.Get())) return VFW_E_NOT_IN_GRAPH;
  if (upstream == downstream) return VFW_E_CIRCULAR_GRAPH;
  PIN_DIRECTION dir;
  out->QueryDirection(&dir);
  if (dir != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
  return out->Connect(in, mt);
}

HRESULT CFilterGraph::Connect(IPin* out, IPin* in) {
  return ConnectDirect(out, in, nullptr);
}

HRESULT CFilterGraph::Reconnect(IPin* pin) {
  return ReconnectEx(pin, nullptr);
}

HRESULT CFilterGraph::ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mt) {
  if (pin == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  ComPtr<IPin> peer;
  if (FAILED(pin->ConnectedTo(&peer))) return VFW_E_NOT_CONNECTED;
  PIN_DIRECTION dir;
  pin->QueryDirection(&dir);
  IPin* out = dir == PINDIR_OUTPUT ? pin : peer.Get();
  IPin* in = dir == PINDIR_OUTPUT ? peer.Get() : pin;
  CMediaType type;
  if (mt != nullptr) {
    type = *mt;
  } else {
    out->ConnectionMediaType(&type);
  }
  HRESULT hr = out->Disconnect();
  if (FAILED(hr)) return hr;
  in->Disconnect();
  return out->Connect(in, &type);
}

HRESULT CFilterGraph::Disconnect(IPin* pin) {
  if (pin == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  return pin->Disconnect();
}

HRESULT CFilterGraph::SetDefaultSyncSource() {
  CAutoLock lock(&graphLock_);
  clockChosen_ = false;
  ChooseClock();
  return S_OK;
}

HRESULT CFilterGraph::Render(IPin*) {
  return E_NOTIMPL;
}

HRESULT CFilterGraph::Abort() {
  return S_OK;
}

HRESULT CFilterGraph::ShouldOperationContinue() {
  return S_OK;
}

std::vector<ComPtr<IBaseFilter>> CFilterGraph::DownstreamFirst() {
  std::vector<ComPtr<IBaseFilter>> order;
  std::set<IBaseFilter*> visited;
  std::function<void(IBaseFilter*)> visit = [&](IBaseFilter* filter) {
    if (!visited.insert(filter).second) return;
    ForEachPin(filter, [&](IPin* pin) {
      PIN_DIRECTION dir;
      pin->QueryDirection(&dir);
      if (dir != PINDIR_OUTPUT) return;
      ComPtr<IPin> peer;
      if (FAILED(pin->ConnectedTo(&peer))) return;
      ComPtr<IBaseFilter> next = PinFilter(peer.Get());
      if (next && Contains(next.Get())) visit(next.Get());
    });
    order.push_back(filter);
  };
  for (const Entry& e : filters_)
    visit(e.filter.Get());
  return order;
}

// ---- clock and state ------------------------------------------------------------

void CFilterGraph::ChooseClock() {
  if (clockChosen_) return;
  ComPtr<IReferenceClock> chosen;
  for (const ComPtr<IBaseFilter>& filter : DownstreamFirst()) {
    if (SUCCEEDED(filter->QueryInterface(IID_PPV_ARGS(&chosen)))) break;
  }
  if (!chosen) chosen = static_cast<IReferenceClock*>(new CSystemClock);
  clock_ = chosen;
  clockChosen_ = true;
  for (const Entry& e : filters_)
    e.filter->SetSyncSource(clock_.Get());
}

HRESULT CFilterGraph::SetSyncSource(IReferenceClock* clock) {
  CAutoLock lock(&graphLock_);
  clock_ = clock;
  clockChosen_ = true;
  for (const Entry& e : filters_)
    e.filter->SetSyncSource(clock);
  return S_OK;
}

HRESULT CFilterGraph::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  return clock_.CopyTo(clock);
}

HRESULT CFilterGraph::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_FilterGraph;
  return S_OK;
}

void CFilterGraph::PrepareCompletion() {
  std::set<IBaseFilter*> renderers;
  for (const Entry& e : filters_) {
    if (IsRenderer(e.filter.Get())) renderers.insert(e.filter.Get());
  }
  std::lock_guard events(eventMutex_);
  renderers_ = std::move(renderers);
  completed_.clear();
  completeResult_ = S_OK;
}

REFERENCE_TIME CFilterGraph::StreamTimeLocked() {
  if (state_ == State_Stopped) return 0;
  if (state_ == State_Paused || !clock_) return pausedStream_;
  REFERENCE_TIME now = 0;
  clock_->GetTime(&now);
  return now - startTime_;
}

HRESULT CFilterGraph::GetStreamTime(REFERENCE_TIME* time) {
  if (time == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  *time = StreamTimeLocked();
  return S_OK;
}

HRESULT CFilterGraph::PauseInternal() {
  if (state_ == State_Paused) return S_OK;
  if (state_ == State_Stopped) {
    ChooseClock();
    PrepareCompletion();
    pausedStream_ = 0;
  } else {
    pausedStream_ = StreamTimeLocked();
  }
  bool notReady = false;
  for (const ComPtr<IBaseFilter>& filter : DownstreamFirst()) {
    const HRESULT hr = filter->Pause();
    if (FAILED(hr)) {
      StopInternal();
      return hr;
    }
    if (hr == S_FALSE) notReady = true;
  }
  state_ = State_Paused;
  return notReady ? S_FALSE : S_OK;
}

HRESULT CFilterGraph::RunInternal() {
  if (state_ == State_Running) return S_OK;
  HRESULT result = S_OK;
  if (state_ == State_Stopped) {
    result = PauseInternal();
    if (FAILED(result)) return result;
  }
  REFERENCE_TIME now = 0;
  if (clock_) {
    clock_->GetTime(&now);
    startTime_ = now + kRunLatency - pausedStream_;
  } else {
    startTime_ = 0;
  }
  for (const ComPtr<IBaseFilter>& filter : DownstreamFirst()) {
    const HRESULT hr = filter->Run(startTime_);
    if (FAILED(hr)) {
      StopInternal();
      return hr;
    }
    if (hr == S_FALSE) result = S_FALSE;
  }
  state_ = State_Running;
  return result;
}

HRESULT CFilterGraph::StopInternal() {
  HRESULT result = S_OK;
  for (const ComPtr<IBaseFilter>& filter : DownstreamFirst()) {
    const HRESULT hr = filter->Stop();
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  state_ = State_Stopped;
  pausedStream_ = 0;
  return result;
}

HRESULT CFilterGraph::Run() {
  CAutoLock lock(&graphLock_);
  return RunInternal();
}

HRESULT CFilterGraph::Run(REFERENCE_TIME) {
  return Run();
}

HRESULT CFilterGraph::Pause() {
  CAutoLock lock(&graphLock_);
  return PauseInternal();
}

HRESULT CFilterGraph::Stop() {
  CAutoLock lock(&graphLock_);
  return StopInternal();
}

HRESULT CFilterGraph::StopWhenReady() {
  HRESULT hr = Pause();
  if (FAILED(hr)) return hr;
  OAFilterState state;
  GetState(10000, &state);
  return Stop();
}

HRESULT CFilterGraph::GetState(LONG msTimeout, OAFilterState* state) {
  if (state == nullptr) return E_POINTER;
  std::vector<ComPtr<IBaseFilter>> filters;
  {
    CAutoLock lock(&graphLock_);
    *state = state_;
    if (state_ == State_Stopped) return S_OK;
    filters = DownstreamFirst();
  }
  using Clock = std::chrono::steady_clock;
  const bool forever = msTimeout < 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : msTimeout);
  bool intermediate = false, cantCue = false;
  for (const ComPtr<IBaseFilter>& filter : filters) {
    DWORD left = INFINITE;
    if (!forever) {
      const auto remaining =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      left = remaining > 0 ? static_cast<DWORD>(remaining) : 0;
    }
    FILTER_STATE fs;
    const HRESULT hr = filter->GetState(left, &fs);
    if (FAILED(hr)) return hr;
    if (hr == VFW_S_STATE_INTERMEDIATE) intermediate = true;
    if (hr == VFW_S_CANT_CUE) cantCue = true;
  }
  if (intermediate) return VFW_S_STATE_INTERMEDIATE;
  return cantCue ? VFW_S_CANT_CUE : S_OK;
}

HRESULT CFilterGraph::GetState(DWORD milliseconds, FILTER_STATE* state) {
  OAFilterState s = State_Stopped;
  const HRESULT hr =
      GetState(milliseconds == INFINITE ? LONG(-1) : static_cast<LONG>(milliseconds), &s);
  if (state) *state = static_cast<FILTER_STATE>(s);
  return hr;
}

// ---- events -------------------------------------------------------------------

void CFilterGraph::QueueEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
  OAHWND window = 0;
  LONG message = 0;
  LONG_PTR instance = 0;
  {
    std::lock_guard events(eventMutex_);
    if (notifyFlags_ & AM_MEDIAEVENT_NONOTIFY) return;
    events_.push_back({code, param1, param2});
    eventArrived_.notify_all();
    window = window_;
    message = message_;
    instance = instanceData_;
  }
  if (window != 0) media::Post(window, message, instance);
}

HRESULT CFilterGraph::Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
  if (eventCode == EC_COMPLETE) {
    std::unique_lock events(eventMutex_);
    if (cancelled_.count(EC_COMPLETE) == 0 && !renderers_.empty()) {
      auto* sender = reinterpret_cast<IBaseFilter*>(param2);
      if (renderers_.count(sender) == 0) return S_OK;  // not a renderer of this run
      if (!completed_.insert(sender).second) return S_OK;
      if (FAILED(static_cast<HRESULT>(param1)) && SUCCEEDED(completeResult_)) {
        completeResult_ = param1;
      }
      if (completed_.size() < renderers_.size()) return S_OK;
      const LONG_PTR result = completeResult_;
      events.unlock();
      QueueEvent(EC_COMPLETE, result, 0);
      return S_OK;
    }
  }
  QueueEvent(eventCode, param1, param2);
  return S_OK;
}

HRESULT CFilterGraph::GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2,
                               LONG msTimeout) {
  if (eventCode == nullptr || param1 == nullptr || param2 == nullptr) return E_POINTER;
  std::unique_lock events(eventMutex_);
  auto ready = [this] { return !events_.empty(); };
  if (msTimeout < 0) {
    eventArrived_.wait(events, ready);
  } else if (!eventArrived_.wait_for(events, std::chrono::milliseconds(msTimeout), ready)) {
    *eventCode = 0;
    *param1 = *param2 = 0;
    return E_ABORT;
  }
  const Event e = events_.front();
  events_.pop_front();
  *eventCode = e.code;
  *param1 = e.param1;
  *param2 = e.param2;
  return S_OK;
}

HRESULT CFilterGraph::WaitForCompletion(LONG msTimeout, LONG* eventCode) {
  if (eventCode == nullptr) return E_POINTER;
  *eventCode = 0;
  {
    CAutoLock lock(&graphLock_);
    if (state_ != State_Running) return VFW_E_WRONG_STATE;
  }
  std::unique_lock events(eventMutex_);
  auto finished = [&] {
    for (const Event& e : events_) {
      if (e.code == EC_COMPLETE || e.code == EC_ERRORABORT || e.code == EC_USERABORT) {
        *eventCode = e.code;
        return true;
      }
    }
    return false;
  };
  if (msTimeout < 0) {
    eventArrived_.wait(events, finished);
    return S_OK;
  }
  return eventArrived_.wait_for(events, std::chrono::milliseconds(msTimeout), finished) ? S_OK
                                                                                        : E_ABORT;
}

HRESULT CFilterGraph::CancelDefaultHandling(LONG eventCode) {
  std::lock_guard events(eventMutex_);
  if (eventCode != EC_COMPLETE) return S_FALSE;  // the only event handled by default
  cancelled_.insert(eventCode);
  return S_OK;
}

HRESULT CFilterGraph::RestoreDefaultHandling(LONG eventCode) {
  std::lock_guard events(eventMutex_);
  return cancelled_.erase(eventCode) ? S_OK : S_FALSE;
}

HRESULT CFilterGraph::FreeEventParams(LONG, LONG_PTR, LONG_PTR) {
  return S_OK;
}

HRESULT CFilterGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) {
  bool pending = false;
  {
    std::lock_guard events(eventMutex_);
    window_ = window;
    message_ = message;
    instanceData_ = instanceData;
    pending = window != 0 && !events_.empty();
  }
  // Events queued before the window was given are announced once.
  if (pending) media::Post(window, message, instanceData);
  return S_OK;
}

HRESULT CFilterGraph::SetNotifyFlags(LONG flags) {
  std::lock_guard events(eventMutex_);
  notifyFlags_ = flags;
  return S_OK;
}

HRESULT CFilterGraph::GetNotifyFlags(LONG* flags) {
  if (flags == nullptr) return E_POINTER;
  std::lock_guard events(eventMutex_);
  *flags = notifyFlags_;
  return S_OK;
}

// ---- seeking ------------------------------------------------------------------

std::vector<ComPtr<IMediaSeeking>> CFilterGraph::Seekers() {
  std::vector<ComPtr<IMediaSeeking>> renderers, others;
  for (const Entry& e : filters_) {
    ComPtr<IMediaSeeking> seeking;
    if (FAILED(e.filter->QueryInterface(IID_PPV_ARGS(&seeking)))) continue;
    (IsRenderer(e.filter.Get()) ? renderers : others).push_back(seeking);
  }
  // Renderers pass seeking upstream; only without one is another filter asked.
  std::vector<ComPtr<IMediaSeeking>> working;
  for (const ComPtr<IMediaSeeking>& s : renderers) {
    DWORD caps = 0;
    if (SUCCEEDED(s->GetCapabilities(&caps))) working.push_back(s);
  }
  if (!working.empty()) return working;
  for (const ComPtr<IMediaSeeking>& s : others) {
    DWORD caps = 0;
    if (SUCCEEDED(s->GetCapabilities(&caps))) working.push_back(s);
  }
  return working;
}

#define CORVANE_FIRST_SEEKER(call)                         \
  CAutoLock lock(&graphLock_);                             \
  HRESULT hr = E_NOTIMPL;                                  \
  for (const ComPtr<IMediaSeeking>& seeking : Seekers()) { \
    hr = seeking->call;                                    \
    if (SUCCEEDED(hr)) return hr;                          \
  }                                                        \
  return hr

HRESULT CFilterGraph::GetCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  const auto seekers = Seekers();
  if (seekers.empty()) return E_NOTIMPL;
  DWORD all = ~DWORD(0);
  for (const ComPtr<IMediaSeeking>& s : seekers) {
    DWORD caps = 0;
    s->GetCapabilities(&caps);
    all &= caps;
  }
  *capabilities = all | AM_SEEKING_CanGetCurrentPos;
  return S_OK;
}

HRESULT CFilterGraph::CheckCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  DWORD have = 0;
  const HRESULT hr = GetCapabilities(&have);
  if (FAILED(hr)) return hr;
  const DWORD asked = *capabilities;
  *capabilities &= have;
  if (*capabilities == asked) return S_OK;
  return *capabilities ? S_FALSE : E_FAIL;
}

HRESULT CFilterGraph::IsFormatSupported(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT CFilterGraph::QueryPreferredFormat(GUID* format) {
  if (format == nullptr) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

HRESULT CFilterGraph::GetTimeFormat(GUID* format) {
  return QueryPreferredFormat(format);
}

HRESULT CFilterGraph::IsUsingTimeFormat(const GUID* format) {
  return IsFormatSupported(format);
}

HRESULT CFilterGraph::SetTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT CFilterGraph::GetDuration(LONGLONG* duration) {
  if (duration == nullptr) return E_POINTER;
  CORVANE_FIRST_SEEKER(GetDuration(duration));
}

HRESULT CFilterGraph::GetStopPosition(LONGLONG* stop) {
  if (stop == nullptr) return E_POINTER;
  CORVANE_FIRST_SEEKER(GetStopPosition(stop));
}

REFERENCE_TIME CFilterGraph::CurrentPositionLocked() {
  const REFERENCE_TIME stream = StreamTimeLocked();
  REFERENCE_TIME position = seekStart_ + static_cast<REFERENCE_TIME>(stream * rate_);
  return std::max(position, seekStart_);
}

HRESULT CFilterGraph::GetCurrentPosition(LONGLONG* current) {
  if (current == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  *current = CurrentPositionLocked();
  return S_OK;
}

HRESULT CFilterGraph::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                        const GUID* sourceFormat) {
  if (target == nullptr) return E_POINTER;
  const bool targetMedia = targetFormat == nullptr || *targetFormat == TIME_FORMAT_MEDIA_TIME;
  const bool sourceMedia = sourceFormat == nullptr || *sourceFormat == TIME_FORMAT_MEDIA_TIME;
  if (!targetMedia || !sourceMedia) return E_INVALIDARG;
  *target = source;
  return S_OK;
}

HRESULT CFilterGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                   DWORD stopFlags) {
  CAutoLock lock(&graphLock_);
  const auto seekers = Seekers();
  if (seekers.empty()) return E_NOTIMPL;
  const bool wasRunning = state_ == State_Running;
  if (wasRunning) PauseInternal();
  const REFERENCE_TIME position = CurrentPositionLocked();
  HRESULT result = S_OK;
  for (const ComPtr<IMediaSeeking>& seeking : seekers) {
    LONGLONG c = current ? *current : 0, s = stop ? *stop : 0;
    const HRESULT hr =
        seeking->SetPositions(current ? &c : nullptr, currentFlags, stop ? &s : nullptr, stopFlags);
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  if (current != nullptr) {
    switch (currentFlags & AM_SEEKING_PositioningBitsMask) {
      case AM_SEEKING_AbsolutePositioning:
        seekStart_ = *current;
        break;
      case AM_SEEKING_RelativePositioning:
      case AM_SEEKING_IncrementalPositioning:
        seekStart_ = position + *current;
        break;
      default:
        seekStart_ = position;
        break;
    }
    if (currentFlags & AM_SEEKING_ReturnTime) *current = seekStart_;
    // Stream time restarts at 0 at the new position.
    pausedStream_ = 0;
    PrepareCompletion();
  }
  if (wasRunning) RunInternal();
  return result;
}

HRESULT CFilterGraph::GetPositions(LONGLONG* current, LONGLONG* stop) {
  CAutoLock lock(&graphLock_);
  if (current) *current = CurrentPositionLocked();
  if (stop) {
    HRESULT hr = E_NOTIMPL;
    for (const ComPtr<IMediaSeeking>& seeking : Seekers()) {
      hr = seeking->GetStopPosition(stop);
      if (SUCCEEDED(hr)) break;
    }
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT CFilterGraph::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  CORVANE_FIRST_SEEKER(GetAvailable(earliest, latest));
}

HRESULT CFilterGraph::SetRate(double rate) {
  CAutoLock lock(&graphLock_);
  const auto seekers = Seekers();
  if (seekers.empty()) return E_NOTIMPL;
  for (const ComPtr<IMediaSeeking>& seeking : seekers) {
    const HRESULT hr = seeking->SetRate(rate);
    if (FAILED(hr)) return hr;
  }
  // The position reached so far stays; the new rate counts from here.
  seekStart_ = CurrentPositionLocked();
  REFERENCE_TIME now = 0;
  if (state_ == State_Running && clock_) {
    clock_->GetTime(&now);
    startTime_ = now;
  }
  pausedStream_ = 0;
  rate_ = rate;
  return S_OK;
}

HRESULT CFilterGraph::GetRate(double* rate) {
  if (rate == nullptr) return E_POINTER;
  CORVANE_FIRST_SEEKER(GetRate(rate));
}

HRESULT CFilterGraph::GetPreroll(LONGLONG* preroll) {
  if (preroll == nullptr) return E_POINTER;
  CORVANE_FIRST_SEEKER(GetPreroll(preroll));
}

#undef CORVANE_FIRST_SEEKER

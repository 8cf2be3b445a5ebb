#include "platform/media/BaseFilter.h"

#include <algorithm>
#include <cstring>

#include "platform/com/TaskMemory.h"
#include "platform/media/BasePin.h"

void CopyName(WCHAR* field, std::size_t capacity, std::u16string_view name) {
  if (capacity == 0) return;
  const std::size_t n = std::min(name.size(), capacity - 1);
  std::copy_n(name.data(), n, field);
  std::fill(field + n, field + capacity, u'\0');
}

LPWSTR TaskCopyName(std::u16string_view name) {
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(WCHAR)));
  if (copy == nullptr) return nullptr;
  std::copy(name.begin(), name.end(), copy);
  copy[name.size()] = u'\0';
  return copy;
}

CBaseFilter::CBaseFilter(const char* objectName, CCritSec* lock, REFCLSID clsid)
    : CUnknown(objectName), lock_(lock), clsid_(clsid) {}

CBaseFilter::~CBaseFilter() = default;

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IBaseFilter) return GetInterface(static_cast<IBaseFilter*>(this), object);
  if (iid == IID_IMediaFilter) return GetInterface(static_cast<IMediaFilter*>(this), object);
  if (iid == IID_IPersist) return GetInterface(static_cast<IPersist*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CBaseFilter::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

HRESULT CBaseFilter::Stop() {
  CAutoLock lock(lock_);
  HRESULT result = S_OK;
  if (state_ != State_Stopped) {
    for (int i = 0; i < GetPinCount(); ++i) {
      CBasePin* pin = GetPin(i);
      if (pin != nullptr && pin->IsConnected()) {
        const HRESULT hr = pin->Inactive();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
      }
    }
  }
  state_ = State_Stopped;
  return result;
}

HRESULT CBaseFilter::Pause() {
  CAutoLock lock(lock_);
  if (state_ == State_Stopped) {
    for (int i = 0; i < GetPinCount(); ++i) {
      CBasePin* pin = GetPin(i);
      if (pin != nullptr && pin->IsConnected()) {
        const HRESULT hr = pin->Active();
        if (FAILED(hr)) return hr;
      }
    }
  }
  state_ = State_Paused;
  return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME start) {
  CAutoLock lock(lock_);
  if (state_ == State_Stopped) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  start_ = start;
  if (state_ == State_Paused) {
    for (int i = 0; i < GetPinCount(); ++i) {
      CBasePin* pin = GetPin(i);
      if (pin != nullptr && pin->IsConnected()) {
        const HRESULT hr = pin->Run(start);
        if (FAILED(hr)) return hr;
      }
    }
  }
  state_ = State_Running;
  return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  *state = state_;
  return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* clock) {
  CAutoLock lock(lock_);
  clock_ = clock;
  return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  return clock_.CopyTo(clock);
}

HRESULT CBaseFilter::EnumPins(IEnumPins** pins) {
  if (pins == nullptr) return E_POINTER;
  *pins = new CEnumPins(this);
  (*pins)->AddRef();
  return S_OK;
}

HRESULT CBaseFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (id == nullptr || pin == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  for (int i = 0; i < GetPinCount(); ++i) {
    CBasePin* p = GetPin(i);
    if (p != nullptr && p->Name() == id) {
      *pin = p;
      p->AddRef();
      return S_OK;
    }
  }
  *pin = nullptr;
  return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  CAutoLock lock(lock_);
  CopyName(info->achName, MAX_FILTER_NAME, name_);
  info->pGraph = graph_;
  if (graph_ != nullptr) graph_->AddRef();
  return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  CAutoLock lock(lock_);
  graph_ = graph;
  sink_ = nullptr;
  if (graph != nullptr) {
    // The sink is the graph itself; no reference is kept, as for the graph.
    ComPtr<IMediaEventSink> sink;
    if (SUCCEEDED(graph->QueryInterface(IID_PPV_ARGS(&sink)))) sink_ = sink.Get();
  }
  name_ = name ? std::u16string(name) : std::u16string();
  return S_OK;
}

HRESULT CBaseFilter::QueryVendorInfo(LPWSTR*) {
  return E_NOTIMPL;
}

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME* time) {
  if (time == nullptr) return E_POINTER;
  ComPtr<IReferenceClock> clock;
  {
    CAutoLock lock(lock_);
    clock = clock_;
  }
  if (!clock) return VFW_E_NO_CLOCK;
  REFERENCE_TIME now = 0;
  const HRESULT hr = clock->GetTime(&now);
  if (FAILED(hr)) return hr;
  *time = now - start_;
  return S_OK;
}

HRESULT CBaseFilter::NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
  IMediaEventSink* sink = sink_;
  if (sink == nullptr) return E_NOTIMPL;
  if (code == EC_COMPLETE && param2 == 0) {
    param2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
  }
  return sink->Notify(code, param1, param2);
}

HRESULT CBaseFilter::ReconnectPin(IPin* pin, const AM_MEDIA_TYPE* mt) {
  if (pin == nullptr) return E_POINTER;
  if (IFilterGraph* graph = GetFilterGraph()) {
    ComPtr<IFilterGraph2> graph2;
    if (SUCCEEDED(graph->QueryInterface(IID_PPV_ARGS(&graph2))))
      return graph2->ReconnectEx(pin, mt);
  }
  ComPtr<IPin> peer;
  if (FAILED(pin->ConnectedTo(&peer))) return VFW_E_NOT_CONNECTED;
  PIN_DIRECTION direction = PINDIR_INPUT;
  pin->QueryDirection(&direction);
  IPin* out = direction == PINDIR_OUTPUT ? pin : peer.Get();
  IPin* in = direction == PINDIR_OUTPUT ? peer.Get() : pin;
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

std::u16string CBaseFilter::Name() const {
  CAutoLock lock(lock_);
  return name_;
}

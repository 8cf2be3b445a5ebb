#include "graph/ingest/TunerDevices.h"

#include <cstdio>

#include "graph/ingest/ConnectFilters.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/Devices.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"

namespace graph {
namespace {

constexpr std::size_t kFriendlyNameUnits = 128;
constexpr std::size_t kDisplayNameUnits = 256;

void Trace(const char* format, HRESULT hr) {
  std::printf(format, com::ResultName(hr).c_str());
}

HRESULT FriendlyName(IMoniker* moniker, std::u16string* name) {
  ComPtr<IPropertyBag> bag;
  HRESULT hr = moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag));
  if (FAILED(hr)) return hr;
  VARIANT value;
  hr = bag->Read(u"FriendlyName", &value, nullptr);
  if (SUCCEEDED(hr)) *name = value.bstrVal;
  return hr;
}

// The monikers of a category; empty when the enumerator or the category
// cannot be had.
std::vector<ComPtr<IMoniker>> Devices(const GUID& category, const char* createTrace,
                                      const char* enumTrace) {
  std::vector<ComPtr<IMoniker>> out;
  media::RegisterClasses();
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&devices)))) {
    if (createTrace) std::printf("%s", createTrace);
    return out;
  }
  ComPtr<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(category, &monikers, 0) != S_OK || !monikers) {
    if (enumTrace) std::printf("%s", enumTrace);
    return out;
  }
  for (;;) {
    ComPtr<IMoniker> moniker;
    ULONG fetched = 0;
    if (monikers->Next(1, &moniker, &fetched) != S_OK || fetched != 1) break;
    out.push_back(std::move(moniker));
  }
  return out;
}

}  // namespace

std::vector<TunerInfo> EnumerateTuners() {
  std::vector<TunerInfo> tuners;
  for (const ComPtr<IMoniker>& moniker : Devices(KSCATEGORY_BDA_NETWORK_TUNER, nullptr, nullptr)) {
    TunerInfo info;
    if (FAILED(FriendlyName(moniker.Get(), &info.friendlyName))) continue;
    if (info.friendlyName.size() >= kFriendlyNameUnits)
      info.friendlyName.resize(kFriendlyNameUnits - 1);
    LPWSTR display = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &display)) || display == nullptr) continue;
    info.displayName = display;
    CoTaskMemFree(display);
    if (info.displayName.size() >= kDisplayNameUnits) {
      std::printf("Tuner: %s, display name is too long.\n",
                  media::Narrow(info.friendlyName).c_str());
      continue;
    }
    tuners.push_back(std::move(info));
  }
  return tuners;
}

HRESULT LoadTuner(IFilterGraph* graph, const std::u16string& displayName,
                  std::u16string* friendlyName, ComPtr<IBaseFilter>* tuner) {
  ComPtr<IBindCtx> context;
  HRESULT hr = CreateBindCtx(0, &context);
  ComPtr<IMoniker> moniker;
  ULONG eaten = 0;
  if (SUCCEEDED(hr)) hr = MkParseDisplayName(context.Get(), displayName.c_str(), &eaten, &moniker);
  if (FAILED(hr)) {
    Trace("Can not parse tuner display name. Error: %s\n", hr);
    return hr;
  }
  ComPtr<IBaseFilter> filter;
  hr = moniker->BindToObject(context.Get(), nullptr, IID_PPV_ARGS(&filter));
  if (FAILED(hr)) {
    Trace("Can not create tuner filter. Error: %s\n", hr);
    return hr;
  }
  ComPtr<IPropertyBag> bag;
  hr = moniker->BindToStorage(context.Get(), nullptr, IID_PPV_ARGS(&bag));
  if (FAILED(hr)) {
    Trace("pIMoniker::BindToStorage() returned: %s\n", hr);
    return hr;
  }
  VARIANT value;
  hr = bag->Read(u"FriendlyName", &value, nullptr);
  if (FAILED(hr)) {
    Trace("IPropertyBag::Read() returned: %s\n", hr);
    return hr;
  }
  hr = graph->AddFilter(filter.Get(), value.bstrVal.c_str());
  if (FAILED(hr)) {
    Trace("Can not add tuner filter to graph. Error: %s\n", hr);
    return hr;
  }
  *friendlyName = value.bstrVal;
  *tuner = std::move(filter);
  return S_OK;
}

ComPtr<IBaseFilter> LoadFilter(IFilterGraph* graph, const GUID& category, IBaseFilter* upstream) {
  for (const ComPtr<IMoniker>& moniker :
       Devices(category, "LoadFilter(): Cannot CoCreate ICreateDevEnum\n",
               "LoadFilter(): Cannot CreateClassEnumerator\n")) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) {
      std::printf("LoadFilter(): Cannot BindToStorage\n");
      return nullptr;
    }
    VARIANT name;
    if (FAILED(bag->Read(u"FriendlyName", &name, nullptr))) continue;
    ComPtr<IBaseFilter> filter;
    if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&filter)))) continue;
    if (FAILED(graph->AddFilter(filter.Get(), name.bstrVal.c_str()))) {
      std::printf("Cannot add filter\n");
      return nullptr;
    }
    if (SUCCEEDED(ConnectFilters(graph, upstream, filter.Get()))) return filter;
    if (FAILED(graph->RemoveFilter(filter.Get()))) {
      std::printf("Failed unloading Filter\n");
      return nullptr;
    }
  }
  return nullptr;
}

}  // namespace graph

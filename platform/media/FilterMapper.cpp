#include "platform/media/FilterMapper.h"

#include <algorithm>
#include <new>

#include "platform/com/ComPtr.h"
#include "platform/com/Registry.h"
#include "platform/media/Devices.h"
#include "platform/media/FilterData.h"
#include "platform/media/MediaGuids.h"

namespace {

std::string CategoryKey(const GUID& category) {
  return "CLSID\\" + com::FormatGuid(category);
}

bool GuidMatches(const GUID& registered, const GUID& wanted, bool exact) {
  if (wanted == GUID_NULL) return true;
  if (registered == GUID_NULL) return !exact;
  return registered == wanted;
}

// True when the pin has one of the (major, minor) pairs of the query.
bool PinMatches(const media::RegisteredPin& pin, DWORD count, const GUID* pairs, bool exact) {
  if (count == 0 || pairs == nullptr) return true;
  for (DWORD i = 0; i < count; ++i) {
    const GUID& major = pairs[2 * i];
    const GUID& minor = pairs[2 * i + 1];
    for (const auto& [m, s] : pin.types) {
      if (GuidMatches(m, major, exact) && GuidMatches(s, minor, exact)) return true;
    }
  }
  return false;
}

}  // namespace

CFilterMapper2::CFilterMapper2() : CUnknown("filter mapper") {}

CUnknown* CFilterMapper2::CreateInstance(IUnknown*, HRESULT* hr) {
  auto* mapper = new (std::nothrow) CFilterMapper2;
  if (hr) *hr = mapper ? S_OK : E_OUTOFMEMORY;
  return mapper;
}

HRESULT CFilterMapper2::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IFilterMapper2) return GetInterface(static_cast<IFilterMapper2*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CFilterMapper2::CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, CategoryKey(category).c_str(), &key) != ERROR_SUCCESS) {
    return E_FAIL;
  }
  com::RegWriteString(key, "FriendlyName", media::Narrow(description ? description : u""));
  RegSetValueExA(key, "Merit", REG_DWORD, &merit, sizeof merit);
  RegCloseKey(key);
  return S_OK;
}

HRESULT CFilterMapper2::RegisterFilter(REFCLSID clsid, LPCWSTR name, IMoniker** moniker,
                                       const CLSID* category, LPCWSTR instance,
                                       const REGFILTER2* filter) {
  if (filter == nullptr) return E_POINTER;
  const GUID cat = category ? *category : CLSID_LegacyAmFilterCategory;
  const std::string inst = instance && *instance ? media::Narrow(instance) : com::FormatGuid(clsid);
  HKEY key = nullptr;
  const std::string path = CategoryKey(cat) + "\\Instance\\" + inst;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), &key) != ERROR_SUCCESS) return E_FAIL;
  com::RegWriteString(key, "FriendlyName", media::Narrow(name ? name : u""));
  com::RegWriteString(key, "CLSID", com::FormatGuid(clsid));
  const std::vector<BYTE> data = media::EncodeFilterData(*filter);
  RegSetValueExA(key, "FilterData", REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  if (moniker != nullptr) {
    return MkParseDisplayName(nullptr, media::DeviceDisplayName(cat, media::Widen(inst)).c_str(),
                              nullptr, moniker);
  }
  return S_OK;
}

HRESULT CFilterMapper2::UnregisterFilter(const CLSID* category, LPCWSTR instance, REFCLSID filter) {
  const GUID cat = category ? *category : CLSID_LegacyAmFilterCategory;
  const std::string inst =
      instance && *instance ? media::Narrow(instance) : com::FormatGuid(filter);
  HKEY instances = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, (CategoryKey(cat) + "\\Instance").c_str(), &instances) !=
      ERROR_SUCCESS) {
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  const LONG result = RegDeleteTreeA(instances, inst.c_str());
  RegCloseKey(instances);
  return result == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<std::uint32_t>(result));
}

HRESULT CFilterMapper2::EnumMatchingFilters(IEnumMoniker** filters, DWORD, BOOL exactMatch,
                                            DWORD minimumMerit, BOOL inputNeeded,
                                            DWORD inputTypeCount, const GUID* inputTypes,
                                            const void*, const CLSID*, BOOL render,
                                            BOOL outputNeeded, DWORD outputTypeCount,
                                            const GUID* outputTypes, const void*, const CLSID*) {
  if (filters == nullptr) return E_POINTER;
  *filters = nullptr;
  struct Match {
    media::DeviceDescription device;
    DWORD merit;
  };
  std::vector<Match> matches;
  for (media::DeviceDescription& d : media::ListRegisteredFilters()) {
    const auto registered = media::DecodeFilterData(d.filterData);
    if (!registered || registered->merit < minimumMerit) continue;
    if (std::any_of(matches.begin(), matches.end(),
                    [&](const Match& m) { return m.device.clsid == d.clsid; })) {
      continue;  // the same filter in another category
    }
    bool inputOk = !inputNeeded && inputTypeCount == 0;
    bool outputOk = !outputNeeded && outputTypeCount == 0;
    for (const media::RegisteredPin& pin : registered->pins) {
      if (!pin.output && (!render || pin.rendered) &&
          PinMatches(pin, inputTypeCount, inputTypes, exactMatch)) {
        inputOk = true;
      }
      if (pin.output && PinMatches(pin, outputTypeCount, outputTypes, exactMatch)) {
        outputOk = true;
      }
    }
    if (inputOk && outputOk) matches.push_back({std::move(d), registered->merit});
  }
  std::stable_sort(matches.begin(), matches.end(),
                   [](const Match& a, const Match& b) { return a.merit > b.merit; });
  std::vector<media::DeviceDescription> devices;
  for (Match& m : matches)
    devices.push_back(std::move(m.device));
  return CreateDeviceMonikerEnum(std::move(devices), filters);
}

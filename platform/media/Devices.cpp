#include "platform/media/Devices.h"

#include <algorithm>
#include <mutex>
#include <new>

#include "common/Utf16.h"
#include "platform/com/CaseLess.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Registry.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/BaseFilter.h"

namespace media {
namespace {

std::mutex gDevicesMutex;
std::vector<DeviceDescription> gDevices;
struct Lister {
  GUID category;
  std::string name;
  DeviceLister list;
};
std::vector<Lister> gListers;

constexpr char16_t kPrefix[] = u"@device:sw:";

bool SameInstance(std::u16string_view a, std::u16string_view b) {
  return com::EqualsNoCase(Narrow(a), Narrow(b));
}

std::string InstanceKey(const GUID& category) {
  return "CLSID\\" + com::FormatGuid(category) + "\\Instance";
}

// The stored devices of one category, in order of instance name.
std::vector<DeviceDescription> StoredDevices(const GUID& category) {
  std::vector<DeviceDescription> devices;
  HKEY instances = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, InstanceKey(category).c_str(), &instances) !=
      ERROR_SUCCESS) {
    return devices;
  }
  std::string name;
  for (DWORD i = 0; RegEnumKeyExA(instances, i, &name) == ERROR_SUCCESS; ++i) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(instances, name.c_str(), &key) != ERROR_SUCCESS) continue;
    DeviceDescription d;
    d.category = category;
    d.instance = Widen(name);
    std::string text;
    if (com::RegReadString(key, "FriendlyName", &text)) d.friendlyName = Widen(text);
    if (com::RegReadString(key, "CLSID", &text)) d.clsid = com::ParseGuid(text).value_or(GUID_NULL);
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, "FilterData", &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_BINARY) {
      d.filterData.resize(size);
      RegQueryValueExA(key, "FilterData", &type, d.filterData.data(), &size);
    }
    RegCloseKey(key);
    devices.push_back(std::move(d));
  }
  RegCloseKey(instances);
  return devices;
}

// The categories that have stored devices.
std::vector<GUID> StoredCategories() {
  std::vector<GUID> categories;
  HKEY clsid = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", &clsid) != ERROR_SUCCESS) return categories;
  std::string name;
  for (DWORD i = 0; RegEnumKeyExA(clsid, i, &name) == ERROR_SUCCESS; ++i) {
    HKEY instances = nullptr;
    if (RegOpenKeyExA(clsid, (name + "\\Instance").c_str(), &instances) != ERROR_SUCCESS) continue;
    RegCloseKey(instances);
    if (auto g = com::ParseGuid(name)) categories.push_back(*g);
  }
  RegCloseKey(clsid);
  return categories;
}

// Splits a display name into category and instance.
bool ParseDisplayName(std::u16string_view name, GUID* category, std::u16string* instance) {
  const std::u16string_view prefix(kPrefix);
  if (name.size() < prefix.size() + 39) return false;
  if (!com::EqualsNoCase(Narrow(name.substr(0, prefix.size())), Narrow(prefix))) return false;
  name.remove_prefix(prefix.size());
  auto guid = com::ParseGuid(Narrow(name.substr(0, 38)));
  if (!guid || name[38] != u'\\' || name.size() == 39) return false;
  *category = *guid;
  *instance = std::u16string(name.substr(39));
  return true;
}

}  // namespace

std::string Narrow(std::u16string_view text) {
  return common::ToUtf8(text);
}

std::u16string Widen(std::string_view text) {
  return common::FromUtf8(text);
}

std::u16string DeviceDisplayName(const GUID& category, std::u16string_view instance) {
  return std::u16string(kPrefix) + Widen(com::FormatGuid(category)) + u"\\" +
         std::u16string(instance);
}

std::u16string RegisterDevice(DeviceDescription device) {
  const std::u16string name = DeviceDisplayName(device.category, device.instance);
  std::lock_guard lock(gDevicesMutex);
  for (DeviceDescription& d : gDevices) {
    if (d.category == device.category && SameInstance(d.instance, device.instance)) {
      d = std::move(device);
      return name;
    }
  }
  gDevices.push_back(std::move(device));
  return name;
}

bool UnregisterDevice(const GUID& category, std::u16string_view instance) {
  std::lock_guard lock(gDevicesMutex);
  auto it = std::find_if(gDevices.begin(), gDevices.end(), [&](const DeviceDescription& d) {
    return d.category == category && SameInstance(d.instance, instance);
  });
  if (it == gDevices.end()) return false;
  gDevices.erase(it);
  return true;
}

void SetDeviceLister(const GUID& category, std::string name, DeviceLister lister) {
  std::lock_guard lock(gDevicesMutex);
  std::erase_if(gListers,
                [&](const Lister& l) { return l.category == category && l.name == name; });
  if (lister) gListers.push_back({category, std::move(name), std::move(lister)});
}

std::vector<DeviceDescription> ListDevices(const GUID& category) {
  std::vector<DeviceDescription> list;
  std::vector<DeviceLister> listers;
  {
    std::lock_guard lock(gDevicesMutex);
    for (const DeviceDescription& d : gDevices) {
      if (d.category == category) list.push_back(d);
    }
    for (const Lister& l : gListers) {
      if (l.category == category) listers.push_back(l.list);
    }
  }
  // Listers run without the lock: they may take their time on hardware.
  for (const DeviceLister& lister : listers) {
    for (DeviceDescription& d : lister()) {
      d.category = category;
      list.push_back(std::move(d));
    }
  }
  for (DeviceDescription& stored : StoredDevices(category)) {
    const bool shadowed = std::any_of(list.begin(), list.end(), [&](const DeviceDescription& d) {
      return SameInstance(d.instance, stored.instance);
    });
    if (!shadowed) list.push_back(std::move(stored));
  }
  return list;
}

std::vector<DeviceDescription> ListRegisteredFilters() {
  std::vector<GUID> categories;
  {
    std::lock_guard lock(gDevicesMutex);
    for (const DeviceDescription& d : gDevices) {
      if (std::find(categories.begin(), categories.end(), d.category) == categories.end()) {
        categories.push_back(d.category);
      }
    }
  }
  for (const GUID& g : StoredCategories()) {
    if (std::find(categories.begin(), categories.end(), g) == categories.end()) {
      categories.push_back(g);
    }
  }
  std::vector<DeviceDescription> filters;
  for (const GUID& category : categories) {
    for (DeviceDescription& d : ListDevices(category)) {
      if (!d.filterData.empty()) filters.push_back(std::move(d));
    }
  }
  return filters;
}

}  // namespace media

// ---- property bag, moniker, enumerator ----------------------------------------

void VariantInit(VARIANT* v) {
  if (v) *v = VARIANT();
}

HRESULT VariantClear(VARIANT* v) {
  if (v == nullptr) return E_POINTER;
  *v = VARIANT();
  return S_OK;
}

namespace {

class CBindCtx : public CUnknown, public IBindCtx {
 public:
  CBindCtx() : CUnknown("bind context") {}
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IBindCtx) return GetInterface(static_cast<IBindCtx*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
};

class CDevicePropertyBag : public CUnknown, public IPropertyBag {
 public:
  explicit CDevicePropertyBag(media::DeviceDescription device)
      : CUnknown("device property bag"), device_(std::move(device)) {}
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IPropertyBag) return GetInterface(static_cast<IPropertyBag*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT Read(LPCWSTR name, VARIANT* value, IErrorLog*) override {
    if (name == nullptr || value == nullptr) return E_POINTER;
    const std::u16string_view key(name);
    VARIANT v;
    if (key == u"FriendlyName" && !device_.friendlyName.empty()) {
      v.vt = VT_BSTR;
      v.bstrVal = device_.friendlyName;
    } else if (key == u"CLSID" && device_.clsid != GUID_NULL) {
      v.vt = VT_BSTR;
      v.bstrVal = media::Widen(com::FormatGuid(device_.clsid));
    } else if (key == u"FilterData" && !device_.filterData.empty()) {
      v.vt = VT_ARRAY | VT_UI1;
      v.parray = device_.filterData;
    } else {
      return E_INVALIDARG;
    }
    *value = std::move(v);
    return S_OK;
  }
  HRESULT Write(LPCWSTR, VARIANT*) override { return E_NOTIMPL; }

 private:
  media::DeviceDescription device_;
};

class CDeviceMoniker : public CUnknown, public IMoniker {
 public:
  explicit CDeviceMoniker(media::DeviceDescription device)
      : CUnknown("device moniker"), device_(std::move(device)) {}
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IMoniker) return GetInterface(static_cast<IMoniker*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT BindToObject(IBindCtx*, IMoniker*, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (device_.create) return device_.create(iid, object);
    return CoCreateInstance(device_.clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
  }
  HRESULT BindToStorage(IBindCtx*, IMoniker*, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    ComPtr<CDevicePropertyBag> bag(new CDevicePropertyBag(device_));
    return bag->QueryInterface(iid, object);
  }
  HRESULT GetDisplayName(IBindCtx*, IMoniker*, LPWSTR* name) override {
    if (name == nullptr) return E_POINTER;
    *name = TaskCopyName(media::DeviceDisplayName(device_.category, device_.instance));
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT IsEqual(IMoniker* other) override {
    if (other == nullptr) return E_POINTER;
    LPWSTR name = nullptr;
    if (FAILED(other->GetDisplayName(nullptr, nullptr, &name))) return S_FALSE;
    const bool same = com::EqualsNoCase(
        media::Narrow(name),
        media::Narrow(media::DeviceDisplayName(device_.category, device_.instance)));
    CoTaskMemFree(name);
    return same ? S_OK : S_FALSE;
  }

 private:
  media::DeviceDescription device_;
};

class CEnumDeviceMonikers : public CUnknown, public IEnumMoniker {
 public:
  CEnumDeviceMonikers(std::vector<media::DeviceDescription> devices, std::size_t position = 0)
      : CUnknown("moniker enumerator"), devices_(std::move(devices)), position_(position) {}
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IEnumMoniker) return GetInterface(static_cast<IEnumMoniker*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) override {
    if (monikers == nullptr) return E_POINTER;
    if (fetched == nullptr && count > 1) return E_INVALIDARG;
    ULONG n = 0;
    while (n < count && position_ < devices_.size()) {
      CreateDeviceMoniker(devices_[position_++], &monikers[n++]);
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    position_ = std::min(devices_.size(), position_ + count);
    return position_ < devices_.size() || count == 0 ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumMoniker** clone) override {
    if (clone == nullptr) return E_POINTER;
    *clone = new CEnumDeviceMonikers(devices_, position_);
    (*clone)->AddRef();
    return S_OK;
  }

 private:
  std::vector<media::DeviceDescription> devices_;
  std::size_t position_;
};

}  // namespace

HRESULT CreateBindCtx(DWORD, IBindCtx** context) {
  if (context == nullptr) return E_POINTER;
  *context = new CBindCtx;
  (*context)->AddRef();
  return S_OK;
}

HRESULT CreateDeviceMoniker(media::DeviceDescription device, IMoniker** moniker) {
  if (moniker == nullptr) return E_POINTER;
  *moniker = new CDeviceMoniker(std::move(device));
  (*moniker)->AddRef();
  return S_OK;
}

HRESULT CreateDeviceMonikerEnum(std::vector<media::DeviceDescription> devices,
                                IEnumMoniker** monikers) {
  if (monikers == nullptr) return E_POINTER;
  *monikers = new CEnumDeviceMonikers(std::move(devices));
  (*monikers)->AddRef();
  return S_OK;
}

HRESULT MkParseDisplayName(IBindCtx*, LPCWSTR name, ULONG* eaten, IMoniker** moniker) {
  if (name == nullptr || moniker == nullptr) return E_POINTER;
  *moniker = nullptr;
  if (eaten) *eaten = 0;
  GUID category;
  std::u16string instance;
  if (!media::ParseDisplayName(name, &category, &instance)) return MK_E_SYNTAX;
  for (media::DeviceDescription& d : media::ListDevices(category)) {
    if (media::SameInstance(d.instance, instance)) {
      if (eaten) *eaten = static_cast<ULONG>(std::u16string_view(name).size());
      return CreateDeviceMoniker(std::move(d), moniker);
    }
  }
  return MK_E_NOOBJECT;
}

CSystemDeviceEnum::CSystemDeviceEnum() : CUnknown("system device enumerator") {}

CUnknown* CSystemDeviceEnum::CreateInstance(IUnknown*, HRESULT* hr) {
  auto* e = new (std::nothrow) CSystemDeviceEnum;
  if (hr) *hr = e ? S_OK : E_OUTOFMEMORY;
  return e;
}

HRESULT CSystemDeviceEnum::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_ICreateDevEnum) return GetInterface(static_cast<ICreateDevEnum*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CSystemDeviceEnum::CreateClassEnumerator(REFCLSID category, IEnumMoniker** devices, DWORD) {
  if (devices == nullptr) return E_POINTER;
  *devices = nullptr;
  std::vector<media::DeviceDescription> list = media::ListDevices(category);
  if (list.empty()) return S_FALSE;
  return CreateDeviceMonikerEnum(std::move(list), devices);
}

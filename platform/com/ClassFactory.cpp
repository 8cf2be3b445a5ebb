#include "platform/com/ClassFactory.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

#include "platform/com/ComPtr.h"

namespace {

std::atomic<long> gServerLocks{0};

struct ClassRegistry {
  std::mutex mutex;
  std::unordered_map<GUID, const CFactoryTemplate*> classes;
};

ClassRegistry& Registry() {
  static ClassRegistry registry;
  return registry;
}

}  // namespace

CClassFactory::CClassFactory(const CFactoryTemplate* entry)
    : CUnknown("class factory"), entry_(entry) {}

HRESULT CClassFactory::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IClassFactory) return GetInterface(static_cast<IClassFactory*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  HRESULT hr = S_OK;
  CUnknown* created = entry_->create(nullptr, &hr);
  if (created == nullptr) return FAILED(hr) ? hr : E_OUTOFMEMORY;
  // The holder takes the first reference; when the query fails it drops the
  // object again.
  ComPtr<IUnknown> holder(static_cast<IUnknown*>(created));
  if (FAILED(hr)) return hr;
  return holder->QueryInterface(iid, object);
}

HRESULT CClassFactory::LockServer(BOOL lock) {
  if (lock) {
    ++gServerLocks;
  } else {
    --gServerLocks;
  }
  return S_OK;
}

long CClassFactory::Locks() {
  return gServerLocks.load();
}

namespace com {

HRESULT GetClassObjectFromTable(std::span<const CFactoryTemplate> table, REFCLSID clsid, REFIID iid,
                                void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
  for (const CFactoryTemplate& entry : table) {
    if (entry.IsClassID(clsid)) {
      ComPtr<CClassFactory> factory(new CClassFactory(&entry));
      return factory->QueryInterface(iid, object);
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() {
  return CUnknown::ObjectsActive() == 0 && CClassFactory::Locks() == 0 ? S_OK : S_FALSE;
}

void RegisterClasses(std::span<const CFactoryTemplate> table) {
  ClassRegistry& r = Registry();
  std::lock_guard lock(r.mutex);
  for (const CFactoryTemplate& entry : table) {
    if (entry.clsid != nullptr && entry.create != nullptr) r.classes[*entry.clsid] = &entry;
  }
}

void UnregisterClass(REFCLSID clsid) {
  ClassRegistry& r = Registry();
  std::lock_guard lock(r.mutex);
  r.classes.erase(clsid);
}

}  // namespace com

HRESULT CoGetClassObject(REFCLSID clsid, DWORD, void*, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  const CFactoryTemplate* entry = nullptr;
  {
    ClassRegistry& r = Registry();
    std::lock_guard lock(r.mutex);
    auto it = r.classes.find(clsid);
    if (it == r.classes.end()) return REGDB_E_CLASSNOTREG;
    entry = it->second;
  }
  return com::GetClassObjectFromTable({entry, 1}, clsid, iid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  ComPtr<IClassFactory> factory;
  HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, &factory);
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(outer, iid, object);
}

HRESULT CoInitialize(void*) {
  return S_OK;
}

void CoUninitialize() {}

// Class factories over a template table, the in-process class registry behind
// CoCreateInstance, and the helpers a loadable filter library exports with.
//
// A module lists its creatable classes in a table of CFactoryTemplate; its
// DllGetClassObject hands out a CClassFactory for a listed class id. The
// program and the platform libraries register their tables with
// com::RegisterClasses so that CoCreateInstance finds them by class id.
#pragma once

#include <span>

#include "platform/com/Unknown.h"

// Creates a new object (reference count 0) or returns null and sets *hr.
using LPFNNewCOMObject = CUnknown* (*)(IUnknown* outer, HRESULT* hr);
// Called once when the module loads (loading true) and once when it unloads.
using LPFNInitRoutine = void (*)(bool loading, const CLSID* clsid);
// The signature of a module's exported DllGetClassObject.
using LPFNGETCLASSOBJECT = HRESULT (*)(REFCLSID clsid, REFIID iid, void** object);
using LPFNCANUNLOADNOW = HRESULT (*)();

struct CFactoryTemplate {
  const WCHAR* name = nullptr;
  const CLSID* clsid = nullptr;
  LPFNNewCOMObject create = nullptr;
  LPFNInitRoutine init = nullptr;
  const void* setupFilter = nullptr;  // the filter's registration data (AMOVIESETUP_FILTER)

  bool IsClassID(REFCLSID id) const { return clsid != nullptr && *clsid == id; }
};

class CClassFactory : public CUnknown, public IClassFactory {
 public:
  explicit CClassFactory(const CFactoryTemplate* entry);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT LockServer(BOOL lock) override;

  // Server locks of this module (DllCanUnloadNow's other test).
  static long Locks();

 private:
  const CFactoryTemplate* entry_;
};

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC = 0x3;
inline constexpr DWORD CLSCTX_ALL = 0x17;

// Creates an object of a registered class and asks it for one interface.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);
// Looks up the class factory of a registered class.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* reserved, REFIID iid, void** object);
// Thread set-up of the object model; nothing to do on this platform beyond counting.
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

namespace com {

// The body of a module's DllGetClassObject: a factory for a class of the table.
// A class id not in the table gives CLASS_E_CLASSNOTAVAILABLE.
HRESULT GetClassObjectFromTable(std::span<const CFactoryTemplate> table, REFCLSID clsid, REFIID iid,
                                void** object);

// The body of DllCanUnloadNow: S_OK when no object and no server lock is
// outstanding in this module, else S_FALSE.
HRESULT CanUnloadNow();

// Adds a table's classes to the process's class registry (idempotent per
// class id: a later registration of the same id replaces the earlier one).
void RegisterClasses(std::span<const CFactoryTemplate> table);
void UnregisterClass(REFCLSID clsid);

}  // namespace com

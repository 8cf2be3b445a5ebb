// CFilterMapper2 (CLSID_FilterMapper2): registers filters with their merit and
// pin types, kept in the registry store so later runs find them, and finds the
// registered filters that match a set of pin types (see IFilterMapper2).
#pragma once

#include "platform/media/DeviceInterfaces.h"

class CFilterMapper2 : public CUnknown, public IFilterMapper2 {
 public:
  CFilterMapper2();
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) override;
  HRESULT UnregisterFilter(const CLSID* category, LPCWSTR instance, REFCLSID filter) override;
  HRESULT RegisterFilter(REFCLSID clsid, LPCWSTR name, IMoniker** moniker, const CLSID* category,
                         LPCWSTR instance, const REGFILTER2* filter) override;
  HRESULT EnumMatchingFilters(IEnumMoniker** filters, DWORD flags, BOOL exactMatch,
                              DWORD minimumMerit, BOOL inputNeeded, DWORD inputTypeCount,
                              const GUID* inputTypes, const void* inputMedium,
                              const CLSID* inputPinCategory, BOOL render, BOOL outputNeeded,
                              DWORD outputTypeCount, const GUID* outputTypes,
                              const void* outputMedium, const CLSID* outputPinCategory) override;
};

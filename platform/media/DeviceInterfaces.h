// Interfaces of device enumeration and filter registration: property bags,
// bind contexts, monikers with display names, the system device enumerator
// (ICreateDevEnum) and the filter mapper (IFilterMapper2), with the
// registration records filters describe themselves with.
#pragma once

#include <string>
#include <vector>

#include "platform/media/Interfaces.h"

inline constexpr IID IID_IPropertyBag = com::GuidOf("55272A00-42CB-11CE-8135-00AA004BB851");
inline constexpr IID IID_IBindCtx = com::GuidOf("0000000E-0000-0000-C000-000000000046");
inline constexpr IID IID_IMoniker = com::GuidOf("0000000F-0000-0000-C000-000000000046");
inline constexpr IID IID_IEnumMoniker = com::GuidOf("00000102-0000-0000-C000-000000000046");
inline constexpr IID IID_ICreateDevEnum = com::GuidOf("29840822-5B84-11D0-BD3B-00A0C911CE86");
inline constexpr IID IID_IFilterMapper2 = com::GuidOf("B79BB0B0-33C1-11D1-ABE1-00A0C905F375");

inline constexpr HRESULT MK_E_SYNTAX = MakeHResult(0x800401E4);
inline constexpr HRESULT MK_E_NOOBJECT = MakeHResult(0x800401E5);

// Filter merits.
inline constexpr DWORD MERIT_PREFERRED = 0x800000;
inline constexpr DWORD MERIT_NORMAL = 0x600000;
inline constexpr DWORD MERIT_UNLIKELY = 0x400000;
inline constexpr DWORD MERIT_DO_NOT_USE = 0x200000;
inline constexpr DWORD MERIT_SW_COMPRESSOR = 0x100000;
inline constexpr DWORD MERIT_HW_COMPRESSOR = 0x100050;

// ---- values of property bags ----------------------------------------------------

using VARTYPE = std::uint16_t;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_UI1 = 17;
inline constexpr VARTYPE VT_ARRAY = 0x2000;

// A tagged value: VT_BSTR text in bstrVal, VT_I4 in lVal, VT_ARRAY | VT_UI1
// bytes in parray.
struct VARIANT {
  VARTYPE vt = VT_EMPTY;
  LONG lVal = 0;
  std::u16string bstrVal;
  std::vector<BYTE> parray;
};
void VariantInit(VARIANT* v);
HRESULT VariantClear(VARIANT* v);

struct IErrorLog;

struct IPropertyBag : virtual IUnknown {
  static constexpr IID kIid = IID_IPropertyBag;
  // E_INVALIDARG for a value the bag does not have.
  virtual HRESULT Read(LPCWSTR name, VARIANT* value, IErrorLog* log) = 0;
  virtual HRESULT Write(LPCWSTR name, VARIANT* value) = 0;
};

struct IBindCtx : virtual IUnknown {
  static constexpr IID kIid = IID_IBindCtx;
};
HRESULT CreateBindCtx(DWORD reserved, IBindCtx** context);

struct IMoniker : virtual IUnknown {
  static constexpr IID kIid = IID_IMoniker;
  // Creates the object (a filter) the moniker names.
  virtual HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** object) = 0;
  // IID_IPropertyBag: the device's values ("FriendlyName", "CLSID", "FilterData").
  virtual HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** object) = 0;
  // A CoTaskMemAlloc'd display name that MkParseDisplayName turns back into
  // a moniker of the same device.
  virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPWSTR* name) = 0;
  virtual HRESULT IsEqual(IMoniker* other) = 0;
};

// A moniker from a display name (compared without regard to case).
// MK_E_SYNTAX for a text that is no device name, MK_E_NOOBJECT for a device
// that is not (or no longer) present.
HRESULT MkParseDisplayName(IBindCtx* context, LPCWSTR name, ULONG* eaten, IMoniker** moniker);

struct IEnumMoniker : virtual IUnknown {
  static constexpr IID kIid = IID_IEnumMoniker;
  virtual HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumMoniker** clone) = 0;
};

struct ICreateDevEnum : virtual IUnknown {
  static constexpr IID kIid = IID_ICreateDevEnum;
  // The devices of a category in order of registration; S_FALSE and a null
  // enumerator when the category is empty.
  virtual HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** devices, DWORD flags) = 0;
};

// ---- filter registration ----------------------------------------------------------

struct REGPINTYPES {
  const CLSID* clsMajorType = nullptr;
  const CLSID* clsMinorType = nullptr;
};

struct REGFILTERPINS {
  LPCWSTR strName = nullptr;
  BOOL bRendered = FALSE;
  BOOL bOutput = FALSE;
  BOOL bZero = FALSE;
  BOOL bMany = FALSE;
  const CLSID* clsConnectsToFilter = nullptr;
  LPCWSTR strConnectsToPin = nullptr;
  UINT nMediaTypes = 0;
  const REGPINTYPES* lpMediaType = nullptr;
};

struct REGFILTER2 {
  DWORD dwVersion = 1;
  DWORD dwMerit = MERIT_DO_NOT_USE;
  ULONG cPins = 0;
  const REGFILTERPINS* rgPins = nullptr;
};

// The names a filter library's setup table uses for the same records.
using AMOVIESETUP_MEDIATYPE = REGPINTYPES;
using AMOVIESETUP_PIN = REGFILTERPINS;
struct AMOVIESETUP_FILTER {
  const CLSID* clsID = nullptr;
  LPCWSTR strName = nullptr;
  DWORD dwMerit = MERIT_DO_NOT_USE;
  UINT nPins = 0;
  const AMOVIESETUP_PIN* lpPin = nullptr;
};

struct IFilterMapper2 : virtual IUnknown {
  static constexpr IID kIid = IID_IFilterMapper2;
  virtual HRESULT CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) = 0;
  virtual HRESULT UnregisterFilter(const CLSID* category, LPCWSTR instance, REFCLSID filter) = 0;
  // Registers a filter in a category (null: the legacy filter category) under
  // an instance name (null: the class id's text). *moniker (optional) names it.
  virtual HRESULT RegisterFilter(REFCLSID clsid, LPCWSTR name, IMoniker** moniker,
                                 const CLSID* category, LPCWSTR instance,
                                 const REGFILTER2* filter) = 0;
  // Registered filters with merit >= minimum, highest merit first, whose pins
  // match: an input pin (rendered when `render`) with one of the input type
  // pairs, an output pin with one of the output type pairs. GUID_NULL in a
  // query pair matches anything; a registered GUID_NULL matches anything only
  // when exactMatch is false.
  virtual HRESULT EnumMatchingFilters(IEnumMoniker** filters, DWORD flags, BOOL exactMatch,
                                      DWORD minimumMerit, BOOL inputNeeded, DWORD inputTypeCount,
                                      const GUID* inputTypes, const void* inputMedium,
                                      const CLSID* inputPinCategory, BOOL render, BOOL outputNeeded,
                                      DWORD outputTypeCount, const GUID* outputTypes,
                                      const void* outputMedium, const CLSID* outputPinCategory) = 0;
};

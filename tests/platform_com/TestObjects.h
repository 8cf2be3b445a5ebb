// Small objects of the object model shared by the tests of this folder and the
// test module they load.
#pragma once

#include "platform/com/ClassFactory.h"
#include "platform/com/ComPtr.h"

inline constexpr IID IID_ICounter = com::GuidOf("{7A3C1E20-0001-4C7D-9A51-2B0D6E0F1A01}");
inline constexpr IID IID_INamed = com::GuidOf("{7A3C1E20-0002-4C7D-9A51-2B0D6E0F1A01}");
inline constexpr CLSID CLSID_TestCounter = com::GuidOf("{7A3C1E20-0100-4C7D-9A51-2B0D6E0F1A01}");

struct ICounter : virtual IUnknown {
  static constexpr IID kIid = IID_ICounter;
  virtual int Next() = 0;
};

struct INamed : virtual IUnknown {
  static constexpr IID kIid = IID_INamed;
  virtual const char* Name() = 0;
};

class CTestCounter : public CUnknown, public ICounter, public INamed {
 public:
  CTestCounter() : CUnknown("test counter") {}
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_ICounter) return GetInterface(static_cast<ICounter*>(this), object);
    if (iid == IID_INamed) return GetInterface(static_cast<INamed*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  int Next() override { return ++count_; }
  const char* Name() override { return "counter"; }

  static CUnknown* CreateInstance(IUnknown*, HRESULT* hr) {
    *hr = S_OK;
    return new CTestCounter;
  }

 private:
  int count_ = 0;
};

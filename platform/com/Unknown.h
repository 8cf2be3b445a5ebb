// The object model's root interface and the reference-counted base that
// implements it.
//
// Every interface derives virtually from IUnknown, so an object that implements
// several interfaces has exactly one IUnknown and one reference count; a class
// derived from CUnknown only overrides NonDelegatingQueryInterface to answer its
// own interfaces and chains to its base for the rest.
//
// Objects start with a reference count of 0; the first ComPtr (or the class
// factory) takes the first reference. Release deletes the object at 0.
#pragma once

#include <atomic>
#include <type_traits>

#include "platform/com/Guid.h"
#include "platform/com/GuidLiteral.h"
#include "platform/com/HResult.h"
#include "platform/com/Types.h"

inline constexpr IID IID_IUnknown = com::GuidOf("00000000-0000-0000-C000-000000000046");
inline constexpr IID IID_IClassFactory = com::GuidOf("00000001-0000-0000-C000-000000000046");

struct IUnknown {
  static constexpr IID kIid = IID_IUnknown;
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  virtual ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

namespace com {

// The interface id of an interface type (the role of __uuidof).
template <class I>
constexpr const IID& IidOf() {
  return I::kIid;
}

}  // namespace com

namespace com {
template <class I>
void** PpvArg(I** pp) {
  return reinterpret_cast<void**>(pp);
}
template <class Ref>
void** PpvArg(Ref ref) {
  return static_cast<void**>(ref);
}
}  // namespace com

// Expands to the (iid, void**) pair for an interface pointer's address, raw or
// ComPtr: unk->QueryInterface(IID_PPV_ARGS(&pin)).
#define IID_PPV_ARGS(pp) \
  ::com::IidOf<std::remove_cv_t<std::remove_reference_t<decltype(**(pp))>>>(), ::com::PpvArg(pp)

// Stores an interface pointer in *object with one reference added. The pointer
// keeps its own type, which matters because interfaces are virtual bases.
template <class I>
HRESULT GetInterface(I* iface, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = iface;
  iface->AddRef();
  return S_OK;
}

class CUnknown : public virtual IUnknown {
 public:
  explicit CUnknown(const char* objectName = nullptr);
  ~CUnknown() override;
  CUnknown(const CUnknown&) = delete;
  CUnknown& operator=(const CUnknown&) = delete;

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // Answers IID_IUnknown; derived classes answer their interfaces and chain here.
  virtual HRESULT NonDelegatingQueryInterface(REFIID iid, void** object);

  const char* ObjectName() const { return objectName_; }
  ULONG RefCount() const { return ref_.load(); }

  // Objects of this module alive now (DllCanUnloadNow's test).
  static long ObjectsActive();

 private:
  const char* objectName_;
  std::atomic<ULONG> ref_{0};
};

struct IClassFactory : virtual IUnknown {
  static constexpr IID kIid = IID_IClassFactory;
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};

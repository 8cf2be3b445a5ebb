#include "platform/com/Unknown.h"

namespace {
std::atomic<long> gObjectsActive{0};
}

CUnknown::CUnknown(const char* objectName) : objectName_(objectName) {
  ++gObjectsActive;
}

CUnknown::~CUnknown() {
  --gObjectsActive;
}

HRESULT CUnknown::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  return NonDelegatingQueryInterface(iid, object);
}

ULONG CUnknown::AddRef() {
  return ++ref_;
}

ULONG CUnknown::Release() {
  const ULONG left = --ref_;
  if (left == 0) delete this;
  return left;
}

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown) return GetInterface(static_cast<IUnknown*>(this), object);
  *object = nullptr;
  return E_NOINTERFACE;
}

long CUnknown::ObjectsActive() {
  return gObjectsActive.load();
}

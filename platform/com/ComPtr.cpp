#include "platform/com/ComPtr.h"

namespace com {

bool IsSameObject(IUnknown* a, IUnknown* b) {
  if (a == nullptr || b == nullptr) return a == b;
  ComPtr<IUnknown> ua, ub;
  if (FAILED(a->QueryInterface(IID_IUnknown, &ua)) ||
      FAILED(b->QueryInterface(IID_IUnknown, &ub))) {
    return false;
  }
  return ua.Get() == ub.Get();
}

}  // namespace com

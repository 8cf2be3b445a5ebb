// A loadable module with one class, exported the way a filter library exports.
#include "tests/platform_com/TestObjects.h"

namespace {
const CFactoryTemplate kTemplates[] = {
    {u"Test Counter", &CLSID_TestCounter, CTestCounter::CreateInstance, nullptr, nullptr},
};
}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid,
                                                                            REFIID iid,
                                                                            void** object) {
  return com::GetClassObjectFromTable(kTemplates, clsid, iid, object);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return com::CanUnloadNow();
}

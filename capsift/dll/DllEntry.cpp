// The four exports of "capsift.dll", the library's only visible symbols.
#include "capsift/dll/CFilter.h"
#include "capsift/dll/CProperties.h"
#include "capsift/dll/CaptionFilterIds.h"
#include "capsift/dll/Registration.h"
#include "platform/com/ClassFactory.h"

#define CAPSIFT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

const CFactoryTemplate kTemplates[] = {
    {capsift::kFilterClassName, &capsift::CLSID_CCParser, capsift::CFilter::CreateInstance, nullptr,
     &capsift::CaptionFilterSetup()},
    {capsift::kPageClassName, &capsift::CLSID_CCParserPropertyPage,
     capsift::CProperties::CreateInstance, nullptr, nullptr},
};

}  // namespace

CAPSIFT_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  return com::GetClassObjectFromTable(kTemplates, clsid, iid, object);
}

CAPSIFT_EXPORT HRESULT DllCanUnloadNow() {
  return com::CanUnloadNow();
}

CAPSIFT_EXPORT HRESULT DllRegisterServer() {
  return capsift::RegisterCaptionServer();
}

CAPSIFT_EXPORT HRESULT DllUnregisterServer() {
  return capsift::UnregisterCaptionServer();
}

#include "capsift/dll/LoadCaptionFilter.h"

#include "capsift/dll/CaptionFilterIds.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Module.h"

namespace capsift {

LoadedCaptionFilter LoadCaptionFilter(const char* fileName) {
  LoadedCaptionFilter result;
  HMODULE module = LoadLibraryA(fileName);
  if (module == nullptr) {
    result.hr = HRESULT_FROM_WIN32(GetLastError());
    result.error = std::string("cannot load ") + fileName + ": " + com::LastLoaderMessage();
    return result;
  }
  // Kept loaded: the filter's code lives in the module.
  const auto getClassObject =
      com::ProcAs<LPFNGETCLASSOBJECT>(GetProcAddress(module, kGetClassObjectExport));
  if (getClassObject == nullptr) {
    result.hr = HRESULT_FROM_WIN32(GetLastError());
    result.error = std::string(fileName) + " has no " + kGetClassObjectExport;
    return result;
  }
  ComPtr<IClassFactory> factory;
  result.hr = getClassObject(CLSID_CCParser, IID_PPV_ARGS(&factory));
  if (FAILED(result.hr) || !factory) {
    if (SUCCEEDED(result.hr)) result.hr = E_UNEXPECTED;
    result.error = "no class factory for the caption filter";
    return result;
  }
  result.hr = factory->CreateInstance(nullptr, IID_PPV_ARGS(&result.filter));
  factory.Reset();
  if (FAILED(result.hr)) result.error = "cannot create the caption filter";
  return result;
}

}  // namespace capsift

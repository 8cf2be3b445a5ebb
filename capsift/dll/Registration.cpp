#include "capsift/dll/Registration.h"

#include "capsift/dll/CaptionFilterIds.h"
#include "capsift/dll/ModulePath.h"
#include "common/Utf16.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Registry.h"
#include "platform/media/FilterMapper.h"

namespace capsift {

namespace {

const AMOVIESETUP_MEDIATYPE kInputTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG2_VIDEO}};
const AMOVIESETUP_MEDIATYPE kOutputTypes[] = {
    {&MEDIATYPE_AUXLine21Data, &MEDIASUBTYPE_Line21_BytePair}};

const AMOVIESETUP_PIN kPins[] = {
    {u"Input", FALSE, FALSE, FALSE, FALSE, &GUID_NULL, u"Output", 1, kInputTypes},
    {u"Output", FALSE, TRUE, FALSE, FALSE, &GUID_NULL, u"Input", 1, kOutputTypes},
};

const AMOVIESETUP_FILTER kFilterSetup = {&CLSID_CCParser, kFilterName, MERIT_DO_NOT_USE, 2, kPins};

HRESULT FromRegistry(LONG result) {
  return result == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<std::uint32_t>(result));
}

HRESULT WriteClassKey(REFCLSID clsid, const char16_t* className, const std::string& modulePath) {
  HKEY classKey = nullptr;
  LONG result = RegCreateKeyExA(HKEY_CLASSES_ROOT, ClassKey(clsid).c_str(), &classKey);
  if (result != ERROR_SUCCESS) return FromRegistry(result);
  result = com::RegWriteString(classKey, nullptr, common::ToUtf8(className));
  HKEY serverKey = nullptr;
  if (result == ERROR_SUCCESS) result = RegCreateKeyExA(classKey, "InprocServer32", &serverKey);
  if (result == ERROR_SUCCESS) {
    result = com::RegWriteString(serverKey, nullptr, modulePath);
    if (result == ERROR_SUCCESS) result = com::RegWriteString(serverKey, "ThreadingModel", "Both");
    RegCloseKey(serverKey);
  }
  RegCloseKey(classKey);
  return FromRegistry(result);
}

HRESULT DeleteClassKey(REFCLSID clsid) {
  const LONG result = RegDeleteTreeA(HKEY_CLASSES_ROOT, ClassKey(clsid).c_str());
  return result == ERROR_FILE_NOT_FOUND ? S_OK : FromRegistry(result);
}

}  // namespace

const AMOVIESETUP_FILTER& CaptionFilterSetup() {
  return kFilterSetup;
}

std::string ClassKey(REFCLSID clsid) {
  return "CLSID\\" + com::FormatGuid(clsid);
}

HRESULT RegisterCaptionFilter() {
  REGFILTER2 filter;
  filter.dwVersion = 1;
  filter.dwMerit = kFilterSetup.dwMerit;
  filter.cPins = kFilterSetup.nPins;
  filter.rgPins = kFilterSetup.lpPin;
  ComPtr<CFilterMapper2> mapper(new CFilterMapper2);
  return mapper->RegisterFilter(CLSID_CCParser, kFilterName, nullptr, &CLSID_LegacyAmFilterCategory,
                                nullptr, &filter);
}

HRESULT UnregisterCaptionFilter() {
  ComPtr<CFilterMapper2> mapper(new CFilterMapper2);
  const HRESULT hr =
      mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, CLSID_CCParser);
  // Nothing registered is nothing to remove.
  return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr;
}

HRESULT RegisterCaptionServer() {
  const std::string path = ModulePath();
  if (path.empty()) return E_FAIL;
  HRESULT hr = WriteClassKey(CLSID_CCParser, kFilterClassName, path);
  if (SUCCEEDED(hr)) hr = WriteClassKey(CLSID_CCParserPropertyPage, kPageClassName, path);
  if (SUCCEEDED(hr)) hr = RegisterCaptionFilter();
  return hr;
}

HRESULT UnregisterCaptionServer() {
  const HRESULT filter = UnregisterCaptionFilter();
  const HRESULT page = DeleteClassKey(CLSID_CCParserPropertyPage);
  const HRESULT parser = DeleteClassKey(CLSID_CCParser);
  if (FAILED(filter)) return filter;
  return FAILED(page) ? page : parser;
}

}  // namespace capsift

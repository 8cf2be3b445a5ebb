#include "platform/sbe/StreamBufferConfig.h"

#include "common/Utf16.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/BaseFilter.h"
#include "platform/sbe/BufferSettings.h"

namespace sbe {
namespace {

constexpr DWORD kShortestFile = 15;

HRESULT FromRegistry(LONG error) {
  return error == 0 ? S_OK : HRESULT_FROM_WIN32(static_cast<std::uint32_t>(error));
}

HRESULT WriteNumber(HKEY key, const char* name, DWORD value) {
  return FromRegistry(RegSetValueExA(key, name, REG_DWORD, &value, sizeof value));
}

}  // namespace

CUnknown* CStreamBufferConfig::CreateInstance(IUnknown* outer, HRESULT* hr) {
  if (outer != nullptr) {
    if (hr) *hr = CLASS_E_NOAGGREGATION;
    return nullptr;
  }
  if (hr) *hr = S_OK;
  return new CStreamBufferConfig;
}

HRESULT CStreamBufferConfig::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (iid == IID_IStreamBufferInitialize)
    return GetInterface(static_cast<IStreamBufferInitialize*>(this), object);
  if (iid == IID_IStreamBufferConfigure)
    return GetInterface(static_cast<IStreamBufferConfigure*>(this), object);
  if (iid == IID_IStreamBufferConfigure3)
    return GetInterface(static_cast<IStreamBufferConfigure3*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CStreamBufferConfig::SetHKEY(HKEY key) {
  if (key == nullptr) return E_INVALIDARG;
  key_ = key;
  return S_OK;
}

HRESULT CStreamBufferConfig::SetDirectory(LPCWSTR directory) {
  if (directory == nullptr || *directory == 0) return E_INVALIDARG;
  if (key_ == nullptr) return E_UNEXPECTED;
  return FromRegistry(com::RegWriteString(key_, kDirectoryValue, common::ToUtf8(directory)));
}

HRESULT CStreamBufferConfig::GetDirectory(LPWSTR* directory) {
  if (directory == nullptr) return E_POINTER;
  *directory = TaskCopyName(common::FromUtf8(BufferSettings::Read(key_).directory.string()));
  return *directory ? S_OK : E_OUTOFMEMORY;
}

HRESULT CStreamBufferConfig::SetBackingFileCount(DWORD minimum, DWORD maximum) {
  if (minimum == 0 || minimum > maximum) return E_INVALIDARG;
  if (key_ == nullptr) return E_UNEXPECTED;
  const HRESULT hr = WriteNumber(key_, kMinimumCountValue, minimum);
  return FAILED(hr) ? hr : WriteNumber(key_, kMaximumCountValue, maximum);
}

HRESULT CStreamBufferConfig::GetBackingFileCount(DWORD* minimum, DWORD* maximum) {
  if (minimum == nullptr || maximum == nullptr) return E_POINTER;
  const BufferSettings settings = BufferSettings::Read(key_);
  *minimum = settings.minimumCount;
  *maximum = settings.maximumCount;
  return S_OK;
}

HRESULT CStreamBufferConfig::SetBackingFileDuration(DWORD seconds) {
  if (seconds < kShortestFile) return E_INVALIDARG;
  if (key_ == nullptr) return E_UNEXPECTED;
  return WriteNumber(key_, kFileSecondsValue, seconds);
}

HRESULT CStreamBufferConfig::GetBackingFileDuration(DWORD* seconds) {
  if (seconds == nullptr) return E_POINTER;
  *seconds = BufferSettings::Read(key_).fileSeconds;
  return S_OK;
}

HRESULT CStreamBufferConfig::SetNamespace(LPWSTR name) {
  return name == nullptr ? S_OK : E_NOTIMPL;
}

HRESULT CStreamBufferConfig::GetNamespace(LPWSTR* name) {
  if (name == nullptr) return E_POINTER;
  *name = nullptr;
  return S_OK;
}

}  // namespace sbe

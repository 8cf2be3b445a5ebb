// CLSID_StreamBufferConfig: sets the live buffer up before a sink starts it.
// Everything it is told goes under the registry key given with SetHKEY, where
// the sink finds it (BufferSettings).
#pragma once

#include "platform/sbe/StreamBufferInterfaces.h"

namespace sbe {

class CStreamBufferConfig : public CUnknown,
                            public IStreamBufferInitialize,
                            public IStreamBufferConfigure3 {
 public:
  CStreamBufferConfig() : CUnknown("StreamBufferConfig") {}
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT SetHKEY(HKEY key) override;

  // Without a key every setting fails with E_UNEXPECTED.
  HRESULT SetDirectory(LPCWSTR directory) override;
  HRESULT GetDirectory(LPWSTR* directory) override;
  // 0 < minimum <= maximum.
  HRESULT SetBackingFileCount(DWORD minimum, DWORD maximum) override;
  HRESULT GetBackingFileCount(DWORD* minimum, DWORD* maximum) override;
  // At least 15 seconds.
  HRESULT SetBackingFileDuration(DWORD seconds) override;
  HRESULT GetBackingFileDuration(DWORD* seconds) override;
  // Only the null namespace (the engine's own file names) is offered.
  HRESULT SetNamespace(LPWSTR name) override;
  HRESULT GetNamespace(LPWSTR* name) override;

 private:
  HKEY key_ = nullptr;
};

}  // namespace sbe

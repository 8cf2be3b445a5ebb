// A stand-in for a buffer source: a video (MPEG-2) and an audio (AC-3) pin
// that deliver nothing, seeking over a fixed available range, and a Load
// that takes any path. The player builds its chain on it as on a real
// source, so the tests can see where seeking lands.
#pragma once

#include "platform/media/Seeking.h"
#include "platform/media/Source.h"

namespace player::test {

class CFakeBufferSource : public CSource, public CSourceSeeking, public IFileSourceFilter {
 public:
  explicit CFakeBufferSource(REFERENCE_TIME available);

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  HRESULT Load(LPCWSTR, const AM_MEDIA_TYPE*) override { return S_OK; }
  HRESULT GetCurFile(LPWSTR*, AM_MEDIA_TYPE*) override { return E_NOTIMPL; }

  REFERENCE_TIME Position();

 protected:
  HRESULT ChangeStart() override { return S_OK; }
  HRESULT ChangeStop() override { return S_OK; }
  HRESULT ChangeRate() override { return S_OK; }

 private:
  CCritSec seekLock_;
};

}  // namespace player::test

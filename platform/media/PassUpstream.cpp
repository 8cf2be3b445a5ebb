#include "platform/media/PassUpstream.h"

#include "platform/media/InputPin.h"

HRESULT CUpstreamSeeking::Query(CCritSec* lock, const char* objectName, IPin* input, REFIID iid,
                                void** object) {
  if (iid != IID_IMediaSeeking) return E_NOINTERFACE;
  {
    CAutoLock guard(lock);
    if (!seeking_) {
      HRESULT hr = S_OK;
      seeking_ = new CPosPassThru(objectName, nullptr, &hr, input);
    }
  }
  return seeking_->NonDelegatingQueryInterface(iid, object);
}

HRESULT PassQualityUpstream(IBaseFilter* self, IQualityControl* sink, CBaseInputPin* input,
                            Quality q) {
  if (sink != nullptr) return sink->Notify(self, q);
  IPin* upstream = input->GetConnected();
  if (upstream == nullptr) return VFW_E_NOT_FOUND;
  ComPtr<IQualityControl> control;
  if (FAILED(upstream->QueryInterface(IID_PPV_ARGS(&control)))) return VFW_E_NOT_FOUND;
  return control->Notify(self, q);
}

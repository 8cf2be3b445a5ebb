// What a one-input, one-output filter's output pin hands to its input's
// upstream side: seeking (a pass-through made on first ask) and quality
// notices.
#pragma once

#include "platform/media/Seeking.h"

class CBaseInputPin;

class CUpstreamSeeking {
 public:
  // Answers IMediaSeeking through a CPosPassThru on `input`, made under `lock`
  // on the first query; other interfaces answer E_NOINTERFACE.
  HRESULT Query(CCritSec* lock, const char* objectName, IPin* input, REFIID iid, void** object);

 private:
  ComPtr<CPosPassThru> seeking_;
};

// Hands a quality notice to the input's quality sink, or else to the pin
// upstream of `input`. Takes no filter lock: notices come from downstream
// streaming threads, which a stopping filter waits for while holding it.
HRESULT PassQualityUpstream(IBaseFilter* self, IQualityControl* sink, CBaseInputPin* input,
                            Quality q);

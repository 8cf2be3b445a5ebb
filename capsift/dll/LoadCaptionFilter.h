// The host's side of the caption filter library: loads "capsift.dll" (next to
// the running program first, then where the dynamic loader looks), asks its
// DllGetClassObject for the caption filter's class factory, creates the
// filter as IBaseFilter and releases the factory. The library stays loaded
// until the process ends.
#pragma once

#include <string>

#include "platform/com/ComPtr.h"
#include "platform/media/Interfaces.h"

namespace capsift {

struct LoadedCaptionFilter {
  HRESULT hr = E_FAIL;
  ComPtr<IBaseFilter> filter;
  std::string error;  // what failed, for a trace (empty on success)
};

// `fileName` as LoadLibraryA takes it: a bare name is looked for beside the
// program first; a name with a '/' is opened as given.
LoadedCaptionFilter LoadCaptionFilter(const char* fileName = "capsift.dll");

}  // namespace capsift

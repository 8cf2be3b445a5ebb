// Self-registration of the caption filter library: the two classes as
// in-process servers under "CLSID\\{...}" (class name, "InprocServer32" with
// the library's full path and "ThreadingModel" = "Both"), and the filter with
// the filter mapper as "Tallowmark capsift", merit MERIT_DO_NOT_USE, with an
// "Input" pin for MPEG-2 video and an "Output" pin for line 21 byte pairs.
// Unregistering removes exactly that.
#pragma once

#include <string>

#include "platform/media/DeviceInterfaces.h"

namespace capsift {

// The filter's registration record (also the factory table's setup data).
const AMOVIESETUP_FILTER& CaptionFilterSetup();

// The bodies of DllRegisterServer and DllUnregisterServer.
HRESULT RegisterCaptionServer();
HRESULT UnregisterCaptionServer();

// The filter mapper entry alone (IAMovieSetup on the filter).
HRESULT RegisterCaptionFilter();
HRESULT UnregisterCaptionFilter();

// The registry key of a class: "CLSID\\{XXXXXXXX-...}".
std::string ClassKey(REFCLSID clsid);

}  // namespace capsift

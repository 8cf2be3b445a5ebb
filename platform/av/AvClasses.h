// The creatable classes of platform/av: the MPEG-2 video stream analyzer
// (CLSID_Mpeg2VideoStreamAnalyzer) and the null renderer (CLSID_NullRenderer).
// The program calls av::RegisterClasses() once at start-up, beside
// media::RegisterClasses(), so that CoCreateInstance finds them; calling it
// again does no harm.
#pragma once

namespace av {

void RegisterClasses();

}  // namespace av

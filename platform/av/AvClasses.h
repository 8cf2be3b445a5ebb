// The creatable classes of platform/av: the MPEG-2 video stream analyzer
// (CLSID_Mpeg2VideoStreamAnalyzer), the null renderer (CLSID_NullRenderer),
// the audio renderer (CLSID_DSoundRender) and the video renderer
// (CLSID_VideoMixingRenderer9).
// The program calls av::RegisterClasses() once at start-up, beside
// media::RegisterClasses(), so that CoCreateInstance finds them; calling it
// again does no harm.
#pragma once

namespace av {

void RegisterClasses();

}  // namespace av

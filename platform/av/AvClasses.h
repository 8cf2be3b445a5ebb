// The creatable classes of platform/av: the MPEG-2 video stream analyzer
// (CLSID_Mpeg2VideoStreamAnalyzer), the null renderer (CLSID_NullRenderer),
// the audio renderer (CLSID_DSoundRender), the video renderer
// (CLSID_VideoMixingRenderer9) and the Line 21 decoder (CLSID_Line21Decoder2).
// The program calls av::RegisterClasses() once at start-up, beside
// media::RegisterClasses(), so that CoCreateInstance finds them; calling it
// again does no harm.
#pragma once

namespace av {

void RegisterClasses();

}  // namespace av

#include "platform/av/AvClasses.h"

#include "platform/av/NullRenderer.h"
#include "platform/av/VideoAnalyzer.h"
#include "platform/av/audio/AudioRenderer.h"
#include "platform/av/line21/Line21Decoder.h"
#include "platform/av/video/VideoRenderer.h"
#include "platform/com/ClassFactory.h"

namespace av {
namespace {

const CFactoryTemplate kClasses[] = {
    {u"MPEG-2 Video Stream Analyzer", &CLSID_Mpeg2VideoStreamAnalyzer,
     CMpeg2VideoAnalyzer::CreateInstance, nullptr, nullptr},
    {u"Null Renderer", &CLSID_NullRenderer, CNullRenderer::CreateInstance, nullptr, nullptr},
    {audio::kAudioRendererName, &CLSID_DSoundRender, audio::CAudioRenderer::CreateInstance, nullptr,
     nullptr},
    {u"Video Mixing Renderer 9", &CLSID_VideoMixingRenderer9,
     video::CVideoMixingRenderer9::CreateInstance, nullptr, nullptr},
    {line21::kLine21DecoderName, &CLSID_Line21Decoder2, line21::CLine21Decoder2::CreateInstance,
     nullptr, nullptr},
};

}  // namespace

void RegisterClasses() {
  com::RegisterClasses(kClasses);
}

}  // namespace av

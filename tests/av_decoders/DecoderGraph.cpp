#include "tests/av_decoders/DecoderGraph.h"

namespace avtest {

DecoderGraph::DecoderGraph(const std::filesystem::path& file, bool paced) {
  HRESULT hr = S_OK;
  source = new filters::CMPEG2Source(&hr);
  videoOut = new av::CNullRenderer(&hr);
  audioOut = new av::CNullRenderer(&hr);
  EXPECT_EQ(graph->AddFilter(source.Get(), u"MPEG-2 Source"), S_OK);
  EXPECT_EQ(source->Load(file.u16string().c_str(), nullptr), S_OK);
  EXPECT_EQ(graph->AddFilter(video.Get(), u"Video Decoder"), S_OK);
  EXPECT_EQ(graph->AddFilter(audio.Get(), u"Audio Decoder"), S_OK);
  EXPECT_EQ(graph->AddFilter(videoOut.Get(), u"Video Renderer"), S_OK);
  EXPECT_EQ(graph->AddFilter(audioOut.Get(), u"Audio Renderer"), S_OK);
  if (!paced) {
    graph->SetSyncSource(nullptr);
    videoOut->SetRenderImmediately(true);
    audioOut->SetRenderImmediately(true);
  }
  EXPECT_EQ(graph->ConnectDirect(source->GetPin(0), video->GetPin(0), nullptr), S_OK);
  EXPECT_EQ(graph->ConnectDirect(video->GetPin(1), videoOut->GetPin(0), nullptr), S_OK);
  EXPECT_EQ(graph->ConnectDirect(source->GetPin(1), audio->GetPin(0), nullptr), S_OK);
  EXPECT_EQ(graph->ConnectDirect(audio->GetPin(1), audioOut->GetPin(0), nullptr), S_OK);
}

bool DecoderGraph::RunToCompletion(LONG milliseconds) {
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  if (FAILED(graph->QueryInterface(IID_PPV_ARGS(&control))) ||
      FAILED(graph->QueryInterface(IID_PPV_ARGS(&events))) || FAILED(control->Run())) {
    return false;
  }
  LONG code = 0;
  return events->WaitForCompletion(milliseconds, &code) == S_OK && code == EC_COMPLETE;
}

}  // namespace avtest

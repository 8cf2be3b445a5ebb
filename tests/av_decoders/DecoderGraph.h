// A player graph for the decoder tests: "MPEG-2 Source" on a recording, the
// video and audio decoders on its first two pins, and a counting renderer
// behind each. Unpaced graphs have no clock (every sample renders on
// arrival); paced ones run on the system clock.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "filters/source/Mpeg2Source.h"
#include "platform/av/NullRenderer.h"
#include "platform/av/decoders/Ac3Decoder.h"
#include "platform/av/decoders/Mpeg2VideoDecoder.h"
#include "platform/media/FilterGraph.h"

namespace avtest {

struct DecoderGraph {
  ComPtr<CFilterGraph> graph{new CFilterGraph};
  ComPtr<filters::CMPEG2Source> source;
  ComPtr<av::CMpeg2VideoDecoder> video{new av::CMpeg2VideoDecoder};
  ComPtr<av::CAc3Decoder> audio{new av::CAc3Decoder};
  ComPtr<av::CNullRenderer> videoOut, audioOut;

  DecoderGraph(const std::filesystem::path& file, bool paced);
  ~DecoderGraph() { graph->Stop(); }

  // Runs to the end of the recording; false when it does not end in time.
  bool RunToCompletion(LONG milliseconds = 20'000);
};

}  // namespace avtest

// A player with the platform's decoders, renderer kind 5 (no caption path)
// and a null audio renderer, so no test plays sound.
#pragma once

#include <gtest/gtest.h>

#include "graph/player/PlayerGraph.h"
#include "platform/av/AvClasses.h"
#include "platform/av/NullRenderer.h"
#include "platform/av/decoders/DecoderClasses.h"
#include "platform/media/MediaClasses.h"

namespace player::test {

inline graph::PlayerOptions TestOptions() {
  media::RegisterClasses();
  av::RegisterClasses();
  av::RegisterDecoders();
  graph::PlayerOptions options;
  options.videoDecoder = av::Mpeg2VideoDecoderDisplayName();
  options.audioDecoder = av::Ac3DecoderDisplayName();
  options.rendererKind = 5;
  options.audioRenderer = CLSID_NullRenderer;
  options.area = {0, 0, 640, 360};
  return options;
}

}  // namespace player::test

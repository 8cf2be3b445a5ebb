// TunerManager: the application object. It lives from start to exit and owns
// the options, the selected tuners, the chosen decoders and the timer table.
// The graph managers join it with the media-graph control.
#pragma once

#include <array>
#include <cstdint>

#include "app/Settings.h"
#include "recording/TimerList.h"

namespace app {

enum class UiMode : std::uint8_t { kNothing = 0, kLive = 1, kGuide = 2, kNumberEntry = 3 };

struct TunerManager {
  TunerManager() {
    settings.currentChannel = tuning::ChannelLocator::Empty(31);
    settings.volume = 20;
  }

  UiMode uiMode = UiMode::kNothing;
  recording::TimerList timers;
  Settings settings;
  std::array<TunerEntry, kMaxTuners> tuners{};
  std::uint32_t tunerCount = 0;
  std::int32_t currentGraph = 0;
  char16_t videoDecoder[256] = {};  // moniker display name; empty = none
  char16_t audioDecoder[256] = {};
};

}  // namespace app

// What the command router works on: the current graph manager with its
// player (IViewing) and the window around the video (IWindowShell). The
// desktop program provides both; the router stays free of graphs and widgets.
#pragma once

#include <cstdint>
#include <string_view>

#include "tuning/ChannelLocator.h"

namespace app::commands {

// The current graph as the commands see it.
struct ViewState {
  bool graph = false;         // false: no graph runs (a cancelled Settings dialog)
  std::uint8_t tuner = 0;     // 0, 16, 32, 48
  std::uint8_t player = 0;    // 0, 1, 2, 3
  std::uint8_t runState = 0;  // the player's: 0 stopped, 1 paused, 2 running
  int graphCount = 0;
  std::uint32_t rendererKind = 0;
};

class IViewing {
 public:
  virtual ~IViewing() = default;
  virtual ViewState State() = 0;
  virtual tuning::ChannelLocator CurrentChannel() = 0;
  virtual void Tune(const tuning::ChannelLocator& locator, bool remember) = 0;
  virtual void RunPlayer() = 0;
  virtual void PausePlayer() = 0;
  // Stops the player graph (the display); the tuner graph runs on.
  virtual void StopPlayer() = 0;
  virtual void JumpToLive() = 0;
  // Moves the time-shift or file position by `seconds` (negative: back).
  virtual void Skip(int seconds) = 0;
  // Volume 0 to 20 and mute, through the audio renderer.
  virtual void ApplyVolume(std::int32_t volume, bool muted) = 0;
  virtual void SetCaptions(bool on) = 0;
  // A recording the user starts on the current graph, named `title`.
  virtual void StartRecording(std::u16string_view title) = 0;
  // The user's stop of the recording on the current graph.
  virtual void StopRecording() = 0;
  // Ends file playback and returns to live viewing.
  virtual void StopFilePlayback() = 0;
  // Stops the display of the current graph (a recording goes on), makes
  // graph `index` current and starts live viewing on it.
  virtual void SwitchToGraph(int index) = 0;
};

// What the window does for commands that concern it alone.
enum class WindowAction {
  kSettings,
  kChannels,
  kOpenFile,
  kOpenGuide,
  kCloseGuide,
  kTimers,
  kNewTimer,
  kVideoDecoderPages,
  kAudioDecoderPages,
  kChannelProperties,
  kClose,
  kOpen,
  kTrayClose,
  kApplyView,  // menu, control panel or always-on-top changed in the settings
  kVideoSize,  // arg1 x arg2
  kAspect,     // arg1: the aspect mode
  kOverscan,
  kFullScreen,
  kAbout,
  kRefreshControlPanel,
};

class IWindowShell {
 public:
  virtual ~IWindowShell() = default;
  virtual void Do(WindowAction action, int arg1 = 0, int arg2 = 0) = 0;
  // Hands a command to the guide grid.
  virtual void ToGuide(std::uint16_t command) = 0;
  // An error box.
  virtual void Notice(std::string_view text) = 0;
};

}  // namespace app::commands

// The graph start: the Settings dialog when forced, one graph manager per
// selected tuner that is present, the checks with their messages, and graph
// 0 brought to the asked state; after a message the dialog is forced and the
// start tried again until it succeeds or the user cancels.
#pragma once

#include <cstdint>

#include "app/TunerManager.h"

namespace app {

inline constexpr char kNoTunerSelected[] =
    "No DTV tuners were selected.  Please select at least one DTV tuner.";
inline constexpr char kNoVideoDecoder[] =
    "No video decoder was selected.  You must have an MPEG-2 video decoder installed on your "
    "system.";
inline constexpr char kNoAudioDecoder[] =
    "No AC3 audio decoder was selected.  You must have an AC3 audio decoder installed on your "
    "system.";

class IGraphStartSteps {
 public:
  virtual ~IGraphStartSteps() = default;
  // The Settings dialog, modal; false when cancelled.
  virtual bool ShowSettingsDialog() = 0;
  // Copies the current graph's channel (if there is a graph) into the options.
  virtual void KeepCurrentChannel() = 0;
  // Stops and destroys every graph manager (on this thread).
  virtual void DestroyGraphs() = 0;
  // One graph manager per selected present tuner; returns how many.
  virtual int CreateGraphs() = 0;
  // Makes graph 0 current and asks it for the state pair; a negative result
  // is a failure.
  virtual std::int32_t StartFirstGraph(std::uint8_t tunerState, std::uint8_t playerState) = 0;
};

// False when the user cancelled the Settings dialog; no graph is left then.
bool StartGraphs(IGraphStartSteps& steps, const TunerManager& manager, bool forceSettings,
                 std::uint8_t tunerState, std::uint8_t playerState);

}  // namespace app

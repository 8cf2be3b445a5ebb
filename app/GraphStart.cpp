#include "app/GraphStart.h"

#include "app/CommandLine.h"
#include "common/ErrorBox.h"
#include "common/Utf16.h"

namespace app {

bool StartGraphs(IGraphStartSteps& steps, const TunerManager& manager, bool forceSettings,
                 std::uint8_t tunerState, std::uint8_t playerState) {
  for (bool force = forceSettings;; force = true) {
    if (force && !steps.ShowSettingsDialog()) {
      steps.DestroyGraphs();
      return false;
    }
    steps.KeepCurrentChannel();
    steps.DestroyGraphs();
    if (steps.CreateGraphs() == 0) {
      common::ErrorBox("%s", kNoTunerSelected);
      continue;
    }
    if (manager.videoDecoder[0] == 0) {
      common::ErrorBox("%s", kNoVideoDecoder);
      continue;
    }
    if (manager.audioDecoder[0] == 0) {
      common::ErrorBox("%s", kNoAudioDecoder);
      continue;
    }
    if (steps.StartFirstGraph(tunerState, playerState) >= 0) return true;
    common::ErrorBox("%s failed to start using current\nsettings.  Please update settings.",
                     common::ToUtf8(kProductName).c_str());
  }
}

}  // namespace app

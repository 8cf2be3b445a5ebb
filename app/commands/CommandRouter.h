// The main window's commands routed by the user-interface mode: to live
// viewing, to the number entry, or to the guide grid. The router owns the
// number being typed and the on-screen display's countdowns; the graph and
// the window are reached through IViewing and IWindowShell.
#pragma once

#include "app/TunerManager.h"
#include "app/commands/CommandIds.h"
#include "app/commands/CommandPorts.h"
#include "app/osd/OsdState.h"
#include "tuning/ChannelChange.h"
#include "tuning/ChannelList.h"

namespace app::commands {

class CommandRouter {
 public:
  CommandRouter(TunerManager& manager, tuning::ChannelList& channels, IViewing& viewing,
                IWindowShell& shell);

  // A WM_COMMAND; false for an id the router does not know.
  bool Execute(CommandId command);

  // The one-second countdowns of the on-screen display. The banner counts
  // only while the player runs; at its end the number entry is dropped.
  void Tick(bool playerRuns);

  // The user-interface mode changes that the window makes itself.
  void EnterGuide();
  void LeaveGuide(UiMode to);

  // Resumes a paused time-shift player at the live position (the buffer's
  // old content went away under it).
  void ResumeAtLive();

  const tuning::NumberEntry& Entry() const { return entry_; }
  const osd::OsdState& Osd() const { return osd_; }
  osd::OsdState& Osd() { return osd_; }
  // Shows the banner for the usual time (a channel changed by itself).
  void ShowBanner() { osd_.ShowBanner(osd::kBannerSeconds, osd_.description); }
  // Hides the banner: the number entry goes and number entry ends.
  void HideBanner();

 private:
  bool Live() const { return manager_.uiMode == UiMode::kLive; }
  bool Guide() const { return manager_.uiMode == UiMode::kGuide; }
  bool LiveOrEntry() const {
    return manager_.uiMode == UiMode::kLive || manager_.uiMode == UiMode::kNumberEntry;
  }
  // Channel change and Enter need a showing player and no recording.
  bool CanTune(const ViewState& state) const;

  void StepChannel(int direction);
  void StepVolume(int step);
  void ToggleMute();
  void TypeEntry(char c);
  void EndEntry();
  void PlayPause();
  void Stop();
  void Record();
  void NextInput();
  void ToggleView(std::uint32_t bit);
  void ToggleCaptions();
  void Timers();
  void ToggleBanner();
  void ToggleInfo();
  void PlaybackCommandShown();
  bool WindowCommand(CommandId command);

  TunerManager& manager_;
  tuning::ChannelList& channels_;
  IViewing& viewing_;
  IWindowShell& shell_;
  tuning::NumberEntry entry_;
  osd::OsdState osd_;
};

}  // namespace app::commands

#include "app/commands/CommandRouter.h"

#include <algorithm>

namespace app::commands {
namespace {

constexpr std::uint8_t kTunerLive = 16;
constexpr std::uint8_t kTunerBuffered = 32;
constexpr std::uint8_t kTunerRecording = 48;
constexpr std::uint8_t kPlayerTimeShift = 2;
constexpr std::uint8_t kPlayerFile = 3;
constexpr std::uint8_t kRunning = 2;
constexpr int kVolumeMax = 20;
constexpr int kSkipForwardSeconds = 30;
constexpr int kSkipBackSeconds = -10;
constexpr char16_t kManualRecordTitle[] = u"Manual Record";
constexpr char kPlayerNotBuilt[] = "Player has not been built.";

}  // namespace

char EntryCharacter(CommandId command) {
  if (command == kDigit1) return '1';
  if (command == kDigit2) return '2';
  if (command >= kDigit3 && command <= kDigit3 + 6)
    return static_cast<char>('3' + command - kDigit3);
  if (command == kDigit0) return '0';
  if (command == kDot) return '.';
  return 0;
}

CommandRouter::CommandRouter(TunerManager& manager, tuning::ChannelList& channels,
                             IViewing& viewing, IWindowShell& shell)
    : manager_(manager), channels_(channels), viewing_(viewing), shell_(shell) {}

bool CommandRouter::CanTune(const ViewState& state) const {
  return state.graph && (state.player == 1 || state.player == 2) && state.tuner != kTunerRecording;
}

bool CommandRouter::Execute(CommandId command) {
  if (const char c = EntryCharacter(command)) {
    if (LiveOrEntry()) TypeEntry(c);
    return true;
  }
  switch (command) {
    case kChannelUp:
    case kChannelDown:
      if (Live()) StepChannel(command == kChannelUp ? +1 : -1);
      return true;
    case kVolumeUp:
    case kVolumeDown:
      StepVolume(command == kVolumeUp ? +1 : -1);
      return true;
    case kArrowRight:
    case kArrowLeft:
    case kArrowUp:
    case kArrowDown: {
      static constexpr CommandId kLive[] = {kVolumeUp, kVolumeDown, kChannelUp, kChannelDown};
      static constexpr CommandId kGrid[] = {kGuideRight, kGuideLeft, kGuideUp, kGuideDown};
      const int index = command - kArrowRight;
      if (Live()) return Execute(kLive[index]);
      if (Guide()) shell_.ToGuide(kGrid[index]);
      return true;
    }
    case kEnter:
      if (Guide()) {
        shell_.ToGuide(kGuideOk);
      } else if (LiveOrEntry()) {
        EndEntry();
      }
      return true;
    case kGuidePageUp:
    case kGuidePageDown:
      if (Guide()) shell_.ToGuide(command);
      return true;
    case kBanner:
      if (Live()) ToggleBanner();
      return true;
    case kInfo:
      if (LiveOrEntry()) ToggleInfo();
      return true;
    case kMute:
      if (Live()) ToggleMute();
      return true;
    case kPlayPause:
      if (Live()) PlayPause();
      return true;
    case kPlay:
      if (Live() && viewing_.State().graph) {
        viewing_.RunPlayer();
        PlaybackCommandShown();
      }
      return true;
    case kStop:
      if (Live()) Stop();
      return true;
    case kRecord:
      if (Guide()) {
        shell_.ToGuide(kGuideRecord);
      } else if (Live()) {
        Record();
      }
      return true;
    case kSkipForward:
    case kSkipBack:
      if (Guide()) {
        shell_.ToGuide(command);
      } else if (Live() && viewing_.State().graph) {
        viewing_.Skip(command == kSkipForward ? kSkipForwardSeconds : kSkipBackSeconds);
        PlaybackCommandShown();
      }
      return true;
    case kNextInput:
      NextInput();
      return true;
    case kStopPlayer:
      if (Live()) {
        const ViewState state = viewing_.State();
        if (state.graph && (state.player == kPlayerTimeShift || state.player == kPlayerFile)) {
          viewing_.StopPlayer();
        }
      }
      return true;
    case kGuideToggle:
      if (Guide()) {
        LeaveGuide(UiMode::kLive);
      } else if (LiveOrEntry()) {
        EnterGuide();
      }
      return true;
    default:
      return WindowCommand(command);
  }
}

bool CommandRouter::WindowCommand(CommandId command) {
  for (const WindowSizeItem& item : kWindowSizes) {
    if (item.command == command) {
      shell_.Do(WindowAction::kVideoSize, item.width, item.height);
      return true;
    }
  }
  for (const AspectItem& item : kAspectItems) {
    if (item.command == command) {
      shell_.Do(WindowAction::kAspect, item.mode);
      return true;
    }
  }
  switch (command) {
    case kOpenFile:
      if (Live() && viewing_.State().graph) shell_.Do(WindowAction::kOpenFile);
      return true;
    case kSettings:
      shell_.Do(WindowAction::kSettings);
      return true;
    case kChannels: {
      const ViewState state = viewing_.State();
      if (state.graph && (state.tuner == kTunerBuffered || state.tuner == kTunerLive)) {
        shell_.Do(WindowAction::kChannels);
      }
      return true;
    }
    case kTimers:
      Timers();
      return true;
    case kNewTimer:
      shell_.Do(WindowAction::kNewTimer);
      return true;
    case kVideoDecoderPages:
      shell_.Do(WindowAction::kVideoDecoderPages);
      return true;
    case kAudioDecoderPages:
      shell_.Do(WindowAction::kAudioDecoderPages);
      return true;
    case kChannelProperties:
      shell_.Do(WindowAction::kChannelProperties);
      return true;
    case kClose:
      shell_.Do(WindowAction::kClose);
      return true;
    case kMenuToggle:
      ToggleView(kMenuVisible);
      return true;
    case kControlPanelToggle:
      ToggleView(kControlPanelVisible);
      return true;
    case kAlwaysOnTop:
      ToggleView(kAlwaysOnTop);
      return true;
    case kCaptionsToggle:
      ToggleCaptions();
      return true;
    case kOverscan:
      shell_.Do(WindowAction::kOverscan);
      return true;
    case kFullScreen:
      shell_.Do(WindowAction::kFullScreen);
      shell_.Do(WindowAction::kRefreshControlPanel);
      return true;
    case kAbout:
      shell_.Do(WindowAction::kAbout);
      return true;
    case kOpen:
      shell_.Do(WindowAction::kOpen);
      return true;
    case kTrayClose:
      shell_.Do(WindowAction::kTrayClose);
      return true;
    default:
      return false;
  }
}

void CommandRouter::StepChannel(int direction) {
  const ViewState state = viewing_.State();
  if (!CanTune(state)) return;
  const tuning::ChannelLocator next =
      tuning::NextChannel(channels_, viewing_.CurrentChannel(), direction);
  entry_.Clear();
  osd_.ShowBanner(osd::kBannerSeconds, osd_.description);
  viewing_.Tune(next, true);
}

void CommandRouter::StepVolume(int step) {
  Settings& s = manager_.settings;
  s.volume = std::clamp(s.volume + step, 0, kVolumeMax);
  s.muted = 0;
  viewing_.ApplyVolume(s.volume, false);
  osd_.volumeSeconds = osd::kBarSeconds;
}

void CommandRouter::ToggleMute() {
  Settings& s = manager_.settings;
  s.muted = s.muted ? 0 : 1;
  viewing_.ApplyVolume(s.volume, s.muted != 0);
  osd_.volumeSeconds = osd::kBarSeconds;
}

void CommandRouter::TypeEntry(char c) {
  entry_.Append(c);
  manager_.uiMode = UiMode::kNumberEntry;
  osd_.ShowBanner(osd::kBannerSeconds, osd_.description);
}

void CommandRouter::EndEntry() {
  const ViewState state = viewing_.State();
  if (!entry_.Empty() && CanTune(state)) {
    const Settings& s = manager_.settings;
    std::string shown;
    if (const auto locator = entry_.Resolve(channels_, static_cast<std::uint8_t>(s.scanChannelMap),
                                            static_cast<std::uint8_t>(s.scanModulation), &shown)) {
      viewing_.Tune(*locator, true);
    }
    osd_.ShowBanner(osd::kBannerSeconds, osd_.description);
  }
  entry_.Clear();
  manager_.uiMode = UiMode::kLive;
}

void CommandRouter::PlayPause() {
  const ViewState state = viewing_.State();
  if (!state.graph) return;
  if (state.runState == kRunning) {
    viewing_.PausePlayer();
  } else {
    viewing_.RunPlayer();
  }
  PlaybackCommandShown();
}

void CommandRouter::Stop() {
  const ViewState state = viewing_.State();
  if (!state.graph) return;
  if (state.tuner == kTunerRecording) {
    viewing_.StopRecording();
  } else if (state.player == kPlayerFile) {
    viewing_.StopFilePlayback();
  } else {
    return;
  }
  PlaybackCommandShown();
}

void CommandRouter::Record() {
  const ViewState state = viewing_.State();
  if (!state.graph || state.tuner != kTunerBuffered || state.player != kPlayerTimeShift) return;
  viewing_.StartRecording(kManualRecordTitle);
  PlaybackCommandShown();
}

void CommandRouter::NextInput() {
  const ViewState state = viewing_.State();
  // Switching needs another graph to switch to.
  if (!state.graph || state.graphCount < 2) return;
  viewing_.SwitchToGraph((manager_.currentGraph + 1) % state.graphCount);
}

void CommandRouter::ToggleView(std::uint32_t bit) {
  manager_.settings.viewFlags ^= bit;
  shell_.Do(WindowAction::kApplyView);
}

void CommandRouter::ToggleCaptions() {
  const ViewState state = viewing_.State();
  // Captions are drawn only by the renderers with a caption input.
  if (state.rendererKind != 6 && state.rendererKind != 7) return;
  manager_.settings.viewFlags ^= kCaptionsOn;
  if (state.graph) viewing_.SetCaptions((manager_.settings.viewFlags & kCaptionsOn) != 0);
}

void CommandRouter::Timers() {
  const ViewState state = viewing_.State();
  if (!state.graph) return;
  if (state.player == 0) {
    shell_.Notice(kPlayerNotBuilt);
    return;
  }
  shell_.Do(WindowAction::kTimers);
}

void CommandRouter::ToggleBanner() {
  if (osd_.BannerShown()) {
    HideBanner();
  } else {
    osd_.ShowBanner(osd::kBannerSeconds, false);
  }
}

void CommandRouter::ToggleInfo() {
  if (osd_.BannerShown() && osd_.description) {
    HideBanner();
  } else {
    osd_.ShowBanner(osd::kInfoSeconds, true);
  }
}

void CommandRouter::HideBanner() {
  const bool shown = osd_.BannerShown();
  osd_.HideBanner();
  if (!shown) return;
  entry_.Clear();
  // Only number entry ends here: the guide grid stays what it is.
  if (manager_.uiMode == UiMode::kNumberEntry) manager_.uiMode = UiMode::kLive;
}

void CommandRouter::PlaybackCommandShown() {
  osd_.playbackSeconds = osd::kBarSeconds;
}

void CommandRouter::Tick(bool playerRuns) {
  if (osd_.playbackSeconds > 0) --osd_.playbackSeconds;
  if (osd_.volumeSeconds > 0) --osd_.volumeSeconds;
  if (!playerRuns || osd_.bannerSeconds == 0) return;
  if (osd_.bannerSeconds == 1) {
    HideBanner();
  } else {
    --osd_.bannerSeconds;
  }
}

void CommandRouter::EnterGuide() {
  // The banner goes with the guide, and no countdown may bring it back.
  HideBanner();
  entry_.Clear();
  manager_.uiMode = UiMode::kGuide;
  shell_.Do(WindowAction::kOpenGuide);
  shell_.Do(WindowAction::kRefreshControlPanel);
}

void CommandRouter::LeaveGuide(UiMode to) {
  if (manager_.uiMode != UiMode::kGuide) return;
  manager_.uiMode = to;
  shell_.Do(WindowAction::kCloseGuide);
  shell_.Do(WindowAction::kRefreshControlPanel);
}

void CommandRouter::ResumeAtLive() {
  const ViewState state = viewing_.State();
  if (!state.graph || state.runState != 1) return;
  viewing_.RunPlayer();
  viewing_.JumpToLive();
}

}  // namespace app::commands

#include "app/commands/InputMap.h"

namespace app::commands {

using ui::Accelerator;
using ui::VirtualKey;

ui::AcceleratorTable MainAccelerators() {
  const auto vk = [](char c) { return static_cast<VirtualKey>(c); };
  return {
      Accelerator::Char(U'0', kDigit0),
      Accelerator::Char(U'1', kDigit1),
      Accelerator::Key(VirtualKey::NumPad1, kDigit1),
      Accelerator::Char(U'2', kDigit2),
      Accelerator::Char(U'3', kDigit3),
      Accelerator::Char(U'4', kDigit3 + 1),
      Accelerator::Char(U'5', kDigit3 + 2),
      Accelerator::Char(U'6', kDigit3 + 3),
      Accelerator::Char(U'7', kDigit3 + 4),
      Accelerator::Char(U'8', kDigit3 + 5),
      Accelerator::Char(U'9', kDigit3 + 6),
      Accelerator::Char(U'*', kDot),
      Accelerator::Char(U'.', kDot),
      Accelerator::Key(VirtualKey::Return, kEnter),
      Accelerator::Key(VirtualKey::Return, kFullScreen, ui::kAlt),
      Accelerator::Key(vk('I'), kInfo),
      Accelerator::Key(VirtualKey::Space, kInfo),
      Accelerator::Key(vk('M'), kMute),
      Accelerator::Char(U'\\', kPlayPause),
      Accelerator::Key(vk('R'), kRecord),
      Accelerator::Char(U'[', kSkipBack),
      Accelerator::Char(U']', kSkipForward),
      Accelerator::Key(VirtualKey::End, kStop),
      Accelerator::Key(VirtualKey::F1, kAbout),
      Accelerator::Key(vk('A'), kAudioDecoderPages),
      Accelerator::Key(VirtualKey::Subtract, kChannelDown),
      Accelerator::Key(vk('P'), kChannelProperties),
      Accelerator::Key(VirtualKey::Add, kChannelUp),
      Accelerator::Key(vk('C'), kChannels),
      Accelerator::Key(VirtualKey::Down, kArrowDown),
      Accelerator::Key(vk('G'), kGuideToggle),
      Accelerator::Key(VirtualKey::Left, kArrowLeft),
      Accelerator::Key(vk('O'), kOpenFile, ui::kControl),
      Accelerator::Key(VirtualKey::Next, kGuidePageDown),
      Accelerator::Key(VirtualKey::Prior, kGuidePageUp),
      Accelerator::Key(VirtualKey::Right, kArrowRight),
      Accelerator::Key(vk('S'), kSettings),
      Accelerator::Key(vk('S'), kStopPlayer, ui::kControl),
      Accelerator::Key(vk('T'), kTimers),
      Accelerator::Key(VirtualKey::Up, kArrowUp),
      Accelerator::Key(vk('V'), kVideoDecoderPages),
      Accelerator::Key(VirtualKey::F9, kVolumeDown),
      Accelerator::Key(VirtualKey::F10, kVolumeUp),
      Accelerator::Key(vk('U'), kCaptionsToggle),
  };
}

std::optional<CommandId> MediaKeyCommand(ui::AppCommand key) {
  using ui::AppCommand;
  switch (key) {
    case AppCommand::VolumeMute:
      return kMute;
    case AppCommand::VolumeDown:
      return kVolumeDown;
    case AppCommand::VolumeUp:
      return kVolumeUp;
    case AppCommand::MediaNextTrack:
    case AppCommand::MediaFastForward:
      return kSkipForward;
    case AppCommand::MediaPreviousTrack:
    case AppCommand::MediaRewind:
      return kSkipBack;
    case AppCommand::MediaStop:
      return kStop;
    case AppCommand::MediaPlayPause:
    case AppCommand::MediaPause:
      return kPlayPause;
    case AppCommand::MediaPlay:
      return kPlay;
    case AppCommand::MediaRecord:
      return kRecord;
    case AppCommand::MediaChannelUp:
      return kChannelUp;
    case AppCommand::MediaChannelDown:
      return kChannelDown;
  }
  return std::nullopt;
}

std::optional<CommandId> RemoteCommand(std::span<const std::uint8_t> report) {
  if (report.size() < 2) return std::nullopt;
  switch (report[1]) {
    case 0x09:
      return kInfo;
    case 0x48:
      return kOpenFile;
    case 0x8D:
      return kGuideToggle;
    default:
      return std::nullopt;
  }
}

std::vector<CommandId> WheelAccumulator::Add(int delta) {
  std::vector<CommandId> commands;
  sum_ += delta;
  while (sum_ >= kNotch) {
    commands.push_back(kVolumeUp);
    sum_ -= kNotch;
  }
  while (sum_ <= -kNotch) {
    commands.push_back(kVolumeDown);
    sum_ += kNotch;
  }
  return commands;
}

}  // namespace app::commands

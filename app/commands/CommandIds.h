// The main window's command numbers: what the menu, the accelerators, the
// control panel, media keys and the remote send as WM_COMMAND.
#pragma once

#include <cstdint>

namespace app::commands {

using CommandId = std::uint16_t;

inline constexpr CommandId kOpenFile = 40161;
inline constexpr CommandId kSettings = 40043;
inline constexpr CommandId kChannels = 40072;
inline constexpr CommandId kGuideToggle = 120;
inline constexpr CommandId kTimers = 40159;
inline constexpr CommandId kNewTimer = 40138;
inline constexpr CommandId kVideoDecoderPages = 40054;
inline constexpr CommandId kAudioDecoderPages = 40045;
inline constexpr CommandId kChannelProperties = 40037;
inline constexpr CommandId kClose = 40164;
inline constexpr CommandId kMenuToggle = 40145;
inline constexpr CommandId kControlPanelToggle = 40071;
inline constexpr CommandId kCaptionsToggle = 40224;
inline constexpr CommandId kAlwaysOnTop = 40155;
inline constexpr CommandId kOverscan = 40154;
inline constexpr CommandId kFullScreen = 40124;
inline constexpr CommandId kAbout = 40006;
inline constexpr CommandId kOpen = 40151;
inline constexpr CommandId kTrayClose = 40152;
inline constexpr CommandId kStopPlayer = 40120;
inline constexpr CommandId kGuidePageUp = 40204;
inline constexpr CommandId kGuidePageDown = 40205;
inline constexpr CommandId kChannelUp = 118;
inline constexpr CommandId kChannelDown = 119;
inline constexpr CommandId kVolumeUp = 117;
inline constexpr CommandId kVolumeDown = 116;
inline constexpr CommandId kArrowRight = 112;
inline constexpr CommandId kArrowLeft = 113;
inline constexpr CommandId kArrowUp = 114;
inline constexpr CommandId kArrowDown = 115;
inline constexpr CommandId kDigit1 = 40177;
inline constexpr CommandId kDigit2 = 40180;
inline constexpr CommandId kDigit3 = 40182;  // "3" to "9": 40182 to 40188
inline constexpr CommandId kDigit0 = 40181;
inline constexpr CommandId kDot = 40189;
inline constexpr CommandId kEnter = 40190;
inline constexpr CommandId kBanner = 1037;
inline constexpr CommandId kInfo = 1048;
inline constexpr CommandId kMute = 1038;
inline constexpr CommandId kPlayPause = 123;
inline constexpr CommandId kPlay = 1091;
inline constexpr CommandId kStop = 1092;
inline constexpr CommandId kRecord = 1094;
inline constexpr CommandId kSkipForward = 1098;
inline constexpr CommandId kSkipBack = 1099;
inline constexpr CommandId kNextInput = 122;

// The "Window Size" items, in menu order, with their video-area sizes.
struct WindowSizeItem {
  CommandId command;
  int width;
  int height;
};
inline constexpr WindowSizeItem kWindowSizes[] = {
    {40053, 533, 300}, {40042, 853, 480}, {40033, 1280, 720}, {40034, 1920, 1080},
    {40052, 400, 300}, {40029, 640, 480}, {40030, 1024, 768}, {40031, 1280, 1024}};

// The "Aspect Ratio" items with the aspect mode each sets.
struct AspectItem {
  CommandId command;
  int mode;
};
inline constexpr AspectItem kAspectItems[] = {{40128, 0}, {40132, 2}, {40133, 1}, {40134, 3}};

// What the guide grid is sent for the arrows and Enter.
inline constexpr CommandId kGuideRight = 1019;
inline constexpr CommandId kGuideLeft = 1020;
inline constexpr CommandId kGuideUp = 1046;
inline constexpr CommandId kGuideDown = 1018;
inline constexpr CommandId kGuideOk = 1008;
inline constexpr CommandId kGuideRecord = 40150;

// The digit a number-entry command types, or 0 for another command.
char EntryCharacter(CommandId command);

}  // namespace app::commands

// The messages windows of the program receive. Each carries the number the
// program's windows have always used for it, so traces and the hand-over
// between processes (command 40151) keep their numbers; the set is closed:
// a window handles these and nothing else.
#pragma once

#include <cstdint>

namespace ui {

// Names a window for posting. Ids are never reused, so a message posted to a
// window that is gone meanwhile is dropped instead of reaching another one.
using WindowId = std::uint32_t;
inline constexpr WindowId kNoWindow = 0;

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

enum class Message : std::uint32_t {
  WM_SIZE = 0x0005,  // wParam: kSizeRestored, kSizeMinimised or kSizeMaximised; lParam: the new
                     // client size as a MousePoint (width, height), when the sender knows it
  WM_CLOSE = 0x0010,
  WM_QUERYENDSESSION = 0x0011,  // the session is about to end: 1 allows it, 0 refuses
  WM_ENDSESSION = 0x0016,       // wParam: 1 when the session ends, 0 when it goes on
  WM_CONTEXTMENU = 0x007B,      // lParam: the point on the screen
  WM_COMMAND = 0x0111,          // wParam: the command id
  WM_TIMER = 0x0113,            // wParam: the timer id
  WM_MOUSEMOVE = 0x0200,        // lParam: MousePoint of the pointer in the client area
  WM_LBUTTONDOWN = 0x0201,      // lParam: MousePoint
  WM_LBUTTONDBLCLK = 0x0203,    // lParam: MousePoint
  WM_RBUTTONDOWN = 0x0204,      // lParam: MousePoint
  WM_MOUSEWHEEL = 0x020A,       // wParam: the signed turn, 120 a notch
  WM_POWERBROADCAST = 0x0218,   // wParam: kPowerSuspend or kPowerResume
  WM_APPCOMMAND = 0x0319,       // lParam: the AppCommand of a media key
  WM_CONTROL_PANEL_REFRESH = 1026,
  WM_CHANNEL_CHANGED = 1027,     // to the "Channels" dialog: the physical channel tuned
  WM_SCAN_CHANNEL = 1030,        // the "Channels" dialog to itself: go on with the scan
  WM_PLAYBACK_COUNTDOWN = 1032,  // to the playback bar: seconds until it hides
  WM_TRAY_NOTIFY = 1033,         // lParam: the mouse message on the tray icon
  WM_PLAYER_GRAPH_EVENT = 1037,
  WM_VIDEO_RESIZED = 1038,
  WM_TUNER_GRAPH_EVENT = 1039,
};

// The mouse messages WM_TRAY_NOTIFY reports.
inline constexpr LParam kTrayLeftClick = 0x0202;        // WM_LBUTTONUP
inline constexpr LParam kTrayLeftDoubleClick = 0x0203;  // WM_LBUTTONDBLCLK

// What WM_SIZE reports.
inline constexpr WParam kSizeRestored = 0;
inline constexpr WParam kSizeMinimised = 1;
inline constexpr WParam kSizeMaximised = 2;

// A client-area point in the lParam of the mouse messages.
inline constexpr LParam MousePoint(int x, int y) {
  return static_cast<LParam>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                             static_cast<std::uint32_t>(x & 0xFFFF));
}
inline constexpr int MouseX(LParam point) {
  return static_cast<std::int16_t>(point & 0xFFFF);
}
inline constexpr int MouseY(LParam point) {
  return static_cast<std::int16_t>((point >> 16) & 0xFFFF);
}

// What WM_POWERBROADCAST reports.
inline constexpr WParam kPowerSuspend = 4;  // PBT_APMSUSPEND
inline constexpr WParam kPowerResume = 7;   // PBT_APMRESUMESUSPEND

// Media keys as application commands (the numbers of WM_APPCOMMAND).
enum class AppCommand : std::uint32_t {
  VolumeMute = 8,
  VolumeDown = 9,
  VolumeUp = 10,
  MediaNextTrack = 11,
  MediaPreviousTrack = 12,
  MediaStop = 13,
  MediaPlayPause = 14,
  MediaPlay = 46,
  MediaPause = 47,
  MediaRecord = 48,
  MediaFastForward = 49,
  MediaRewind = 50,
  MediaChannelUp = 51,
  MediaChannelDown = 52,
};

// What a modal dialog or message box ends with.
enum class DialogResult : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

}  // namespace ui

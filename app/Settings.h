// Settings: the 1192-byte options record, stored whole in the settings file.
// Offsets are part of the file format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tuning/ChannelLocator.h"

namespace app {

// The platform's window placement record: all fields 32-bit.
struct WindowPlacement {
  std::uint32_t length = 44;
  std::uint32_t flags = 0;
  std::uint32_t showCmd = 1;
  std::int32_t minX = -1, minY = -1;
  std::int32_t maxX = -1, maxY = -1;
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};
static_assert(sizeof(WindowPlacement) == 44);

// Bits of Settings::viewFlags.
inline constexpr std::uint32_t kMenuVisible = 0x01;
inline constexpr std::uint32_t kViewReserved = 0x02;
inline constexpr std::uint32_t kControlPanelVisible = 0x04;
inline constexpr std::uint32_t kAlwaysOnTop = 0x08;
inline constexpr std::uint32_t kCaptionsOn = 0x10;

struct Settings {
  tuning::ChannelLocator currentChannel;
  std::uint32_t reserved16 = 0;
  std::uint8_t recordFormat = 0;           // 0 ".mpg", 1 ".dvr-ms"
  std::uint8_t recordTransportStream = 0;  // 1 = also write the ".ts"
  std::uint8_t reserved22[2] = {};
  std::uint32_t muted = 0;
  std::uint32_t reserved28 = 0;
  std::uint32_t scanFlags = 0;  // bit 0 "Slow Scan"
  std::uint32_t backgroundGuideScan = 0;
  std::uint32_t videoRenderer = 0;
  std::uint32_t showAllVideoDecoders = 0;
  std::uint32_t showAllAudioDecoders = 0;
  std::uint16_t overscanLeft = 0;
  std::uint16_t overscanRight = 0;
  std::uint16_t overscanTop = 0;
  std::uint16_t overscanBottom = 0;
  std::int32_t volume = 0;  // 0-20
  std::uint32_t fullScreen = 0;
  std::uint32_t windowMode = 0;  // WindowMode: 0 normal, 1 maximised, 3 full screen
  std::uint32_t scanChannelMap = 0;
  std::uint32_t scanModulation = 0;
  std::uint8_t reserved80[24] = {};
  std::uint32_t viewFlags = 0;
  WindowPlacement windowPlacement;
  char16_t recordFolder[260] = {};
  char16_t bufferFolder[260] = {};
};

static_assert(sizeof(Settings) == 1192);
static_assert(offsetof(Settings, reserved16) == 16);
static_assert(offsetof(Settings, recordFormat) == 20);
static_assert(offsetof(Settings, recordTransportStream) == 21);
static_assert(offsetof(Settings, muted) == 24);
static_assert(offsetof(Settings, reserved28) == 28);
static_assert(offsetof(Settings, scanFlags) == 32);
static_assert(offsetof(Settings, backgroundGuideScan) == 36);
static_assert(offsetof(Settings, videoRenderer) == 40);
static_assert(offsetof(Settings, showAllVideoDecoders) == 44);
static_assert(offsetof(Settings, showAllAudioDecoders) == 48);
static_assert(offsetof(Settings, overscanLeft) == 52);
static_assert(offsetof(Settings, overscanBottom) == 58);
static_assert(offsetof(Settings, volume) == 60);
static_assert(offsetof(Settings, fullScreen) == 64);
static_assert(offsetof(Settings, windowMode) == 68);
static_assert(offsetof(Settings, scanChannelMap) == 72);
static_assert(offsetof(Settings, scanModulation) == 76);
static_assert(offsetof(Settings, reserved80) == 80);
static_assert(offsetof(Settings, viewFlags) == 104);
static_assert(offsetof(Settings, windowPlacement) == 108);
static_assert(offsetof(Settings, recordFolder) == 152);
static_assert(offsetof(Settings, bufferFolder) == 672);

// A selected tuner: its friendly name, the display name of its device moniker,
// and a locator kept with it (written and read back, otherwise unused).
struct TunerEntry {
  char16_t friendlyName[128] = {};
  char16_t devicePath[256] = {};
  tuning::ChannelLocator locator = tuning::ChannelLocator::Empty(2);
};

inline constexpr int kMaxTuners = 16;

}  // namespace app

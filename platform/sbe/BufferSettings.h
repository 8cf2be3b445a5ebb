// The live buffer's settings as the configuration object leaves them under the
// engine's registry key, and as the sink reads them when it starts a buffer.
#pragma once

#include <cstdint>
#include <filesystem>

#include "platform/com/Registry.h"

namespace sbe {

struct BufferSettings {
  std::filesystem::path directory;  // empty: the stub's folder
  std::uint32_t minimumCount = 4;
  std::uint32_t maximumCount = 6;
  std::uint32_t fileSeconds = 300;

  // The values under `key`, the defaults above where one is missing (or no key).
  static BufferSettings Read(HKEY key);
};

// Value names under the key.
inline constexpr char kDirectoryValue[] = "Directory";
inline constexpr char kMinimumCountValue[] = "BackingFileCountMin";
inline constexpr char kMaximumCountValue[] = "BackingFileCountMax";
inline constexpr char kFileSecondsValue[] = "BackingFileDuration";

}  // namespace sbe

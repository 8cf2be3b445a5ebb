// Default options, set before the settings file is read.
#pragma once

#include <filesystem>

#include "app/Settings.h"

namespace app {

// The renderer kind compiled in as the default.
inline constexpr std::uint32_t kDefaultVideoRenderer = 1;

// Client area of the main window at first start.
inline constexpr int kDefaultClientWidth = 533;
inline constexpr int kDefaultClientHeight = 401;

// Zeroes the record and sets every default, the window placement centred on
// the primary screen. The folders are left empty (see SetDefaultFolders).
void SetDefaults(Settings& settings);

// Record folder: the user's video folder (created when missing; on failure the
// message "Can not get data folder path. Error %s" and an empty field).
// Buffer folder: the data folder.
void SetDefaultFolders(Settings& settings, const std::filesystem::path& dataFolder);

}  // namespace app

// File and folder pickers: modal, over the owner window.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/ui/Message.h"

namespace ui {

// An existing file to open. `filter` is written "Video File (*.mpg;*.dvr-ms)".
// Nothing when the user cancels.
std::optional<std::filesystem::path> PickFile(WindowId owner, std::string_view title,
                                              std::string_view filter,
                                              const std::filesystem::path& startFolder);

// An existing folder; nothing when the user cancels.
std::optional<std::filesystem::path> PickFolder(WindowId owner, std::string_view title,
                                                const std::filesystem::path& startFolder);

// The filter in the toolkit's form: patterns apart by blanks
// ("Video File (*.mpg *.dvr-ms)").
std::string PickerFilter(std::string_view filter);

}  // namespace ui

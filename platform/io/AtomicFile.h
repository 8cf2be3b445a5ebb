// Whole-file writes that never leave a half-written file behind: the bytes go
// to a temporary file in the same folder, are flushed to the disk, and the
// temporary file is then renamed over the old one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/com/HResult.h"

namespace io {

HRESULT WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Copies a file byte for byte (replacing the target), also atomically.
HRESULT CopyFileAtomically(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace io

// Whole-file writes that never leave a half-written file behind: the bytes go
// to a temporary file in the same folder, are flushed to the disk, and the
// temporary file is then renamed over the old one. Plain C++: the outcome is
// an error code (empty on success) that callers of every layer can report.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

namespace io {

std::error_code WriteFileAtomic(const std::filesystem::path& path,
                                std::span<const std::uint8_t> bytes);

}  // namespace io

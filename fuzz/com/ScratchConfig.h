// Configuration folders for the store harnesses: the stores read their files
// from the configuration folder, so each input is written there as a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace fuzzing {

// Two scratch folders of this process (created once): the harness loads from
// the first and switches to the second and back to make a store read again.
const std::filesystem::path& ConfigFolder();
const std::filesystem::path& OtherConfigFolder();

void WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace fuzzing

// Byte helpers of the tests: whole files in and out, joined byte strings and
// recognisable fill patterns.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

// The whole file; empty when it cannot be read.
Bytes ReadBytes(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);
// Replaces the file with the bytes; false when it cannot be written.
bool WriteBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

Bytes Concat(std::initializer_list<Bytes> parts);
bool IsPrefix(std::span<const std::uint8_t> prefix, std::span<const std::uint8_t> whole);
// `size` recognisable bytes from `seed`, never 0xFF (so never taken for stuffing).
Bytes Pattern(std::size_t size, std::uint8_t seed);

}  // namespace testsupport

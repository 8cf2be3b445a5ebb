// The Standard Compression Scheme for Unicode (Unicode Technical Standard #6),
// as segments of mode 0x3E carry it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tables {

// The eight dynamic window offsets. A decoder keeps the windows a segment
// defines for the segments that follow; the active window starts at 0 in
// every segment.
struct UnicodeWindows {
  std::array<std::uint32_t, 8> offsets = {0x0080, 0x00C0, 0x0400, 0x0600,
                                          0x0900, 0x3040, 0x30A0, 0xFF00};
};

// Decodes `input` into at most out.size() characters (no terminator) with
// `windows` as the dynamic window state, and returns the characters written.
// Characters beyond the 16-bit range are cut to their low 16 bits. A tag whose
// argument bytes are missing ends the text.
std::size_t DecodeUnicodeCompression(std::span<char16_t> out, std::span<const std::uint8_t> input,
                                     UnicodeWindows& windows);

// The same with the program-wide window state, which lives from start to
// exit (guarded for use from more than one thread).
std::size_t DecodeUnicodeCompression(std::span<char16_t> out, std::span<const std::uint8_t> input);

// Returns the program-wide windows to their default offsets.
void ResetUnicodeWindows();

}  // namespace tables

// Code-page conversion of the platform: turns text in a numbered multi-byte
// character set into UTF-16, as the desktop platform's MultiByteToWideChar
// does, with the code page numbers that platform uses.
//
// Supported code pages: 1200 and 1201 (UTF-16 little- and big-endian), 936
// (GBK), 949 (Korean, Unified Hangul Code), 950 (Big5), 20269 (ISO 6937, with
// the euro sign at 0xA4 as DVB's default table places it), 20936 (GB 2312 in
// its 8-bit EUC-CN form), 28591-28601 and 28603-28606 (ISO 8859-1 to -11 and
// -13 to -16), 65001 (UTF-8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Converts `bytes` into UTF-16 and returns the characters written. A text
// longer than `out` is cut at out.size() characters (no terminator is
// written). Bytes that are not valid in the code page become U+FFFD. Returns
// -1 when the code page is not supported.
int MultiByteToWideChar(unsigned codePage, std::span<const std::uint8_t> bytes,
                        std::span<char16_t> out);

namespace codepage {

// ISO 6937 (code page 20269), which the platform converts with its own table.
std::size_t DecodeIso6937(std::span<const std::uint8_t> bytes, std::span<char16_t> out);

}  // namespace codepage

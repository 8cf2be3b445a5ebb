// Compile-time GUID constants from their text form:
//   inline constexpr GUID IID_IPin = com::GuidOf("56A86891-0AD4-11CE-B03A-0020AF0BA770");
// A malformed text is a compile error, so a mistyped constant cannot build.
#pragma once

#include <cstddef>

#include "platform/com/Guid.h"

namespace com {
namespace detail {

consteval std::uint32_t HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<std::uint32_t>(c - 'A' + 10);
  throw "GUID text holds a character that is not a hex digit";
}

consteval std::uint32_t HexRun(const char* text, std::size_t pos, int digits) {
  std::uint32_t v = 0;
  for (int i = 0; i < digits; ++i)
    v = v << 4 | HexDigit(text[pos + i]);
  return v;
}

}  // namespace detail

// Text "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", with or without braces.
template <std::size_t N>
consteval GUID GuidOf(const char (&literal)[N]) {
  static_assert(N == 37 || N == 39, "GUID text has 36 characters, 38 with braces");
  const char* text = literal + (N == 39 ? 1 : 0);
  if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') {
    throw "GUID text lacks its dashes";
  }
  GUID g;
  g.Data1 = detail::HexRun(text, 0, 8);
  g.Data2 = static_cast<std::uint16_t>(detail::HexRun(text, 9, 4));
  g.Data3 = static_cast<std::uint16_t>(detail::HexRun(text, 14, 4));
  constexpr std::size_t kBytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i) {
    g.Data4[i] = static_cast<std::uint8_t>(detail::HexRun(text, kBytePos[i], 2));
  }
  return g;
}

}  // namespace com

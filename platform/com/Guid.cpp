#include "platform/com/Guid.h"

#include <cstdio>
#include <random>

namespace com {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at `pos`; false when any is not a hex digit.
bool ReadHex(std::string_view text, std::size_t pos, int digits, std::uint64_t& out) {
  out = 0;
  for (int i = 0; i < digits; ++i) {
    const int v = HexValue(text[pos + i]);
    if (v < 0) return false;
    out = out << 4 | static_cast<std::uint64_t>(v);
  }
  return true;
}

}  // namespace

std::optional<GUID> ParseGuid(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
      text[23] != '-') {
    return std::nullopt;
  }
  GUID g;
  std::uint64_t v = 0;
  if (!ReadHex(text, 0, 8, v)) return std::nullopt;
  g.Data1 = static_cast<std::uint32_t>(v);
  if (!ReadHex(text, 9, 4, v)) return std::nullopt;
  g.Data2 = static_cast<std::uint16_t>(v);
  if (!ReadHex(text, 14, 4, v)) return std::nullopt;
  g.Data3 = static_cast<std::uint16_t>(v);
  static constexpr std::size_t kBytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(text, kBytePos[i], 2, v)) return std::nullopt;
    g.Data4[i] = static_cast<std::uint8_t>(v);
  }
  return g;
}

std::string FormatGuid(const GUID& g) {
  char buf[39];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return buf;
}

GUID NewGuid() {
  thread_local std::mt19937_64 engine{std::random_device{}()};
  std::uint8_t bytes[16];
  for (int i = 0; i < 16; i += 8) {
    const std::uint64_t r = engine();
    std::memcpy(bytes + i, &r, 8);
  }
  GUID g = GuidFromBytes(bytes);
  g.Data3 = static_cast<std::uint16_t>((g.Data3 & 0x0FFF) | 0x4000);
  g.Data4[0] = static_cast<std::uint8_t>((g.Data4[0] & 0x3F) | 0x80);
  return g;
}

GUID GuidFromBytes(const std::uint8_t* b) {
  GUID g;
  g.Data1 = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
            static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  g.Data2 = static_cast<std::uint16_t>(b[4] | b[5] << 8);
  g.Data3 = static_cast<std::uint16_t>(b[6] | b[7] << 8);
  for (int i = 0; i < 8; ++i)
    g.Data4[i] = b[8 + i];
  return g;
}

void GuidToBytes(const GUID& g, std::uint8_t* b) {
  for (int i = 0; i < 4; ++i)
    b[i] = static_cast<std::uint8_t>(g.Data1 >> (8 * i));
  b[4] = static_cast<std::uint8_t>(g.Data2);
  b[5] = static_cast<std::uint8_t>(g.Data2 >> 8);
  b[6] = static_cast<std::uint8_t>(g.Data3);
  b[7] = static_cast<std::uint8_t>(g.Data3 >> 8);
  for (int i = 0; i < 8; ++i)
    b[8 + i] = g.Data4[i];
}

}  // namespace com

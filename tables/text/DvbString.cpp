// DVB strings (EN 300 468 Annex A): the first byte selects the character
// table, the platform's code-page conversion does the rest.
#include <algorithm>

#include "common/ByteReader.h"
#include "platform/codepage/CodePage.h"
#include "tables/text/TextDecoding.h"

namespace tables {
namespace {

constexpr unsigned kIso6937 = 20269;

struct CharacterTable {
  unsigned codePage = kIso6937;
  std::size_t textStart = 0;  // bytes of the selector before the text
  bool twoByteControls = false;
};

CharacterTable Select(std::span<const std::uint8_t> input) {
  common::ByteReader reader(input);
  const std::uint8_t selector = reader.U8();
  if (selector >= 0x01 && selector <= 0x07) return {28594u + selector, 1};  // ISO 8859-5 to -11
  if (selector >= 0x09 && selector <= 0x0B) return {28594u + selector, 1};  // ISO 8859-13 to -15
  switch (selector) {
    case 0x10: {
      const std::uint16_t n = reader.U16();
      if (!reader.Ok()) return {kIso6937, input.size()};  // no text after the selector
      if (n >= 1 && n <= 15) return {28590u + n, 3};      // ISO 8859-n
      return {kIso6937, 0};
    }
    case 0x11:
      return {1201, 1, true};  // ISO/IEC 10646 Basic Multilingual Plane, big-endian
    case 0x12:
      return {949, 1, true};  // KS X 1001 (Korean)
    case 0x13:
      return {20936, 1, true};  // GB-2312 (simplified Chinese), EUC-CN form
    case 0x14:
      return {950, 1, true};  // Big5 (traditional Chinese)
    case 0x15:
      return {65001, 1, true};  // UTF-8
    default:
      return {kIso6937, 0};  // the default table; the first byte is text
  }
}

// The control codes of the character tables: 0x80-0x9F in the one-byte
// tables, 0xE080-0xE09F in the others. 0x8A is a line break; the rest
// (emphasis on and off, reserved codes) mark up the text and are dropped.
std::size_t ApplyControlCodes(std::span<char16_t> text, bool twoByte) {
  const char16_t base = twoByte ? 0xE080 : 0x0080;
  std::size_t kept = 0;
  for (const char16_t c : text) {
    if (c < base || c > base + 0x1F) {
      text[kept++] = c;
    } else if (c == base + 0x0A) {
      text[kept++] = u'\n';
    }
  }
  return kept;
}

}  // namespace

std::size_t DecodeDvbString(std::span<char16_t> out, std::span<const std::uint8_t> input) {
  if (out.empty()) return 0;
  const CharacterTable table = Select(input);
  const auto text = input.subspan(std::min(table.textStart, input.size()));
  const auto room = out.first(out.size() - 1);
  const int converted = text.empty() ? 0 : MultiByteToWideChar(table.codePage, text, room);
  std::size_t length = converted > 0 ? static_cast<std::size_t>(converted) : 0;
  length = ApplyControlCodes(room.first(length), table.twoByteControls);
  out[length] = u'\0';
  return length + 1;
}

}  // namespace tables

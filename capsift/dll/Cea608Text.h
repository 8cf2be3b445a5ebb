// A small CEA-608 reader for showing caption pairs as text: the printable
// characters (with the 608 replacements of the ASCII set), the special
// characters, and the control codes written as short names in braces
// ("{RCL}", "{EOC}", "{CR}", "{R15 C4}" for a preamble address, "{TO2}").
// Extended characters are skipped: the standard character sent before each
// of them is its intended fall-back. Pairs whose bytes fail odd parity are
// shown as "?", and a control pair repeated right after itself (the usual
// redundancy in broadcasts) is shown once. Channel 2 codes carry "2:".
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace capsift {

// Adds the odd-parity bit (bit 7) to a seven-bit value.
std::uint8_t WithOddParity(std::uint8_t value);
bool HasOddParity(std::uint8_t byte);

// "94 2c 94 2c": each byte as two lower-case hex digits, pairs separated.
std::string FormatPairs(std::span<const std::uint8_t> bytes);

class Cea608Text {
 public:
  // The text of one caption unit's pairs (an odd trailing byte is ignored).
  // Keeps the last control code across calls for the repetition rule.
  std::string Decode(std::span<const std::uint8_t> pairs);
  // Forgets the last control code.
  void Reset() { lastControl_ = 0; }

 private:
  void DecodePair(std::uint8_t first, std::uint8_t second, std::string& out);
  std::uint16_t lastControl_ = 0;
};

}  // namespace capsift

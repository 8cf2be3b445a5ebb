#include "capsift/dll/Cea608Text.h"

#include <array>
#include <bit>
#include <cstdio>
#include <utility>

namespace capsift {

namespace {

// The basic set differs from ASCII in ten places.
const char* BasicCharacter(std::uint8_t c) {
  switch (c) {
    case 0x2A:
      return "\u00E1";  // a acute
    case 0x5C:
      return "\u00E9";  // e acute
    case 0x5E:
      return "\u00ED";  // i acute
    case 0x5F:
      return "\u00F3";  // o acute
    case 0x60:
      return "\u00FA";  // u acute
    case 0x7B:
      return "\u00E7";  // c cedilla
    case 0x7C:
      return "\u00F7";  // division sign
    case 0x7D:
      return "\u00D1";  // N tilde
    case 0x7E:
      return "\u00F1";  // n tilde
    case 0x7F:
      return "\u2588";  // solid block
    default:
      return nullptr;
  }
}

// Second bytes 0x30-0x3F after 0x11 (0x19 on channel 2).
constexpr std::array<const char*, 16> kSpecial = {
    "\u00AE", "\u00B0", "\u00BD", "\u00BF", "\u2122", "\u00A2", "\u00A3", "\u266A",
    "\u00E0", " ",      "\u00E8", "\u00E2", "\u00EA", "\u00EE", "\u00F4", "\u00FB"};

// Second bytes 0x20-0x2F after 0x14 or 0x15 (0x1C, 0x1D on channel 2).
constexpr std::array<const char*, 16> kMiscControl = {"RCL", "BS",  "AOF", "AON", "DER", "RU2",
                                                      "RU3", "RU4", "FON", "RDC", "TR",  "RTD",
                                                      "EDM", "CR",  "ENM", "EOC"};

constexpr std::array<const char*, 8> kPacColours = {"white", "green",  "blue",    "cyan",
                                                    "red",   "yellow", "magenta", "italics"};

// Row of a preamble address code from the first byte's low three bits and
// bit 0x20 of the second byte; 0 where no row is defined.
int PacRow(std::uint8_t first, std::uint8_t second) {
  static constexpr int kRows[8][2] = {{11, 0},  {1, 2}, {3, 4}, {12, 13},
                                      {14, 15}, {5, 6}, {7, 8}, {9, 10}};
  return kRows[first & 0x07][(second & 0x20) ? 1 : 0];
}

void Append(std::string& out, const char* format, int a, int b = 0) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, a, b);
  out += buffer;
}

}  // namespace

std::uint8_t WithOddParity(std::uint8_t value) {
  value &= 0x7F;
  return std::popcount(value) % 2 == 0 ? static_cast<std::uint8_t>(value | 0x80) : value;
}

bool HasOddParity(std::uint8_t byte) {
  return std::popcount(byte) % 2 == 1;
}

std::string FormatPairs(std::span<const std::uint8_t> bytes) {
  std::string out;
  static constexpr char kDigits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) out += (i % 2 == 0) ? "  " : " ";
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0x0F];
  }
  return out;
}

std::string Cea608Text::Decode(std::span<const std::uint8_t> pairs) {
  std::string out;
  for (std::size_t i = 0; i + 1 < pairs.size(); i += 2)
    DecodePair(pairs[i], pairs[i + 1], out);
  return out;
}

void Cea608Text::DecodePair(std::uint8_t first, std::uint8_t second, std::string& out) {
  const bool firstOk = HasOddParity(first);
  const bool secondOk = HasOddParity(second);
  const std::uint8_t a = first & 0x7F;
  const std::uint8_t b = second & 0x7F;

  if (a >= 0x10 && a <= 0x1F) {
    // A control pair counts only when both bytes arrive intact.
    if (!firstOk || !secondOk) {
      lastControl_ = 0;
      out += '?';
      return;
    }
    const std::uint16_t code = static_cast<std::uint16_t>(a << 8 | b);
    if (code == lastControl_) {
      lastControl_ = 0;  // the repeat is consumed; a third copy counts again
      return;
    }
    lastControl_ = code;
    const bool channel2 = (a & 0x08) != 0;
    const std::uint8_t c = a & 0x17;  // channel 1 form
    std::string name;
    if ((c == 0x14 || c == 0x15) && b >= 0x20 && b <= 0x2F) {
      name = kMiscControl[b - 0x20];
    } else if (c == 0x17 && b >= 0x21 && b <= 0x23) {
      Append(name, "TO%d", b - 0x20);
    } else if (c == 0x11 && b >= 0x30 && b <= 0x3F) {
      out += kSpecial[b - 0x30];
      return;
    } else if (c == 0x11 && b >= 0x20 && b <= 0x2F) {
      out += ' ';  // a mid-row style change takes one space on screen
      return;
    } else if ((c == 0x12 || c == 0x13) && b >= 0x20 && b <= 0x3F) {
      return;  // extended character: the fall-back before it stands
    } else if (b >= 0x40 && b <= 0x7F && PacRow(c, b) != 0) {
      const int row = PacRow(c, b);
      if (b & 0x10) {
        Append(name, "R%d C%d", row, ((b & 0x0E) >> 1) * 4);
      } else {
        Append(name, "R%d ", row);
        name += kPacColours[(b & 0x0E) >> 1];
      }
      if (b & 0x01) name += " U";
    } else {
      return;  // background and other attribute codes: nothing to show
    }
    out += '{';
    if (channel2) out += "2:";
    out += name;
    out += '}';
    return;
  }

  lastControl_ = 0;
  for (const auto& [byte, ok] : {std::pair{a, firstOk}, std::pair{b, secondOk}}) {
    if (byte == 0) continue;  // padding
    if (!ok) {
      out += '?';
    } else if (byte < 0x20) {
      continue;  // a stray control byte in second position
    } else if (const char* replaced = BasicCharacter(byte)) {
      out += replaced;
    } else {
      out += static_cast<char>(byte);
    }
  }
}

}  // namespace capsift

// ISO/IEC 6937 into UTF-16. The left half is ASCII; 0x80-0x9F are the C1
// control codes; 0xC1-0xCF are non-spacing diacritical marks written before
// the letter they belong to, combined here into the precomposed character.
// 0xA4 holds the euro sign, as in the default character table of DVB.
#include <algorithm>
#include <array>

#include "platform/codepage/CodePage.h"

namespace codepage {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// 0xA0-0xFF; 0 marks a diacritical mark (0xC1-0xCF), kReplacement an unused code.
// clang-format off
constexpr std::array<char16_t, 96> kRightHalf = {
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x20AC, 0x00A5, 0x0023, 0x00A7,  // A0
    0x00A4, 0x2018, 0x201C, 0x00AB, 0x2190, 0x2191, 0x2192, 0x2193,  // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00D7, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00F7, 0x2019, 0x201D, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,  // B8
    kReplacement, 0, 0, 0, 0, 0, 0, 0,                               // C0
    0, 0, 0, 0, 0, 0, 0, 0,                                          // C8
    0x2015, 0x00B9, 0x00AE, 0x00A9, 0x2122, 0x266A, 0x00AC, 0x00A6,  // D0
    kReplacement, kReplacement, kReplacement, kReplacement,          // D8
    0x215B, 0x215C, 0x215D, 0x215E,
    0x2126, 0x00C6, 0x0110, 0x00AA, 0x0126, kReplacement, 0x0132, 0x013F,  // E0
    0x0141, 0x00D8, 0x0152, 0x00BA, 0x00DE, 0x0166, 0x014A, 0x0149,  // E8
    0x0138, 0x00E6, 0x0111, 0x00F0, 0x0127, 0x0131, 0x0133, 0x0140,  // F0
    0x0142, 0x00F8, 0x0153, 0x00DF, 0x00FE, 0x0167, 0x014B, 0x00AD,  // F8
};
// clang-format on

// 0xC1-0xCF: the combining mark, and the spacing form a mark followed by a
// space stands for.
struct Diacritic {
  char16_t combining;
  char16_t spacing;
};
constexpr std::array<Diacritic, 15> kDiacritics = {{
    {0x0300, 0x0060},  // C1 grave
    {0x0301, 0x00B4},  // C2 acute
    {0x0302, 0x005E},  // C3 circumflex
    {0x0303, 0x007E},  // C4 tilde
    {0x0304, 0x00AF},  // C5 macron
    {0x0306, 0x02D8},  // C6 breve
    {0x0307, 0x02D9},  // C7 dot above
    {0x0308, 0x00A8},  // C8 diaeresis
    {0x0308, 0x00A8},  // C9 umlaut (older tables)
    {0x030A, 0x02DA},  // CA ring above
    {0x0327, 0x00B8},  // CB cedilla
    {0x0332, 0x005F},  // CC underline (older tables)
    {0x030B, 0x02DD},  // CD double acute
    {0x0328, 0x02DB},  // CE ogonek
    {0x030C, 0x02C7},  // CF caron
}};

struct Composition {
  std::uint8_t diacritic;
  char base;
  char16_t composed;
};
constexpr Composition kCompositions[] = {
#include "platform/codepage/Iso6937Compositions.inc"
};

bool IsDiacritic(std::uint8_t byte) {
  return byte >= 0xC1 && byte <= 0xCF;
}

char16_t Compose(std::uint8_t diacritic, std::uint8_t base) {
  const auto key = std::make_pair(diacritic, static_cast<char>(base));
  const auto* it = std::lower_bound(
      std::begin(kCompositions), std::end(kCompositions), key,
      [](const Composition& c, const auto& k) { return std::make_pair(c.diacritic, c.base) < k; });
  if (it != std::end(kCompositions) && it->diacritic == diacritic && it->base == key.second) {
    return it->composed;
  }
  return 0;
}

char16_t Single(std::uint8_t byte) {
  return byte < 0xA0 ? byte : kRightHalf[byte - 0xA0];
}

}  // namespace

std::size_t DecodeIso6937(std::span<const std::uint8_t> bytes, std::span<char16_t> out) {
  std::size_t written = 0;
  auto emit = [&](char16_t c) {
    if (written < out.size()) out[written++] = c;
  };
  for (std::size_t i = 0; i < bytes.size() && written < out.size(); ++i) {
    const std::uint8_t byte = bytes[i];
    if (!IsDiacritic(byte)) {
      emit(Single(byte));
      continue;
    }
    // A mark with nothing printable after it has nothing to sit on: dropped.
    if (i + 1 >= bytes.size() || bytes[i + 1] < 0x20 || bytes[i + 1] > 0x7E) continue;
    const std::uint8_t base = bytes[++i];
    const Diacritic& mark = kDiacritics[byte - 0xC1];
    if (base == 0x20) {
      emit(mark.spacing);
    } else if (const char16_t composed = Compose(byte, base)) {
      emit(composed);
    } else if (written + 2 <= out.size()) {  // letter and mark stay together or not at all
      emit(base);
      emit(mark.combining);
    } else {
      break;
    }
  }
  return written;
}

}  // namespace codepage

#include "tools/broadcast/Cea608.h"

#include <algorithm>
#include <bit>

namespace broadcast {
namespace {

constexpr std::uint8_t kMiscControl = 0x14;  // CC1, field 1
constexpr std::uint8_t kResumeCaptionLoading = 0x20;
constexpr std::uint8_t kEraseNonDisplayedMemory = 0x2E;
constexpr std::uint8_t kEndOfCaption = 0x2F;
constexpr int kRowCount = 2;

// Preamble address codes of rows 14 and 15, white, column 0.
constexpr CaptionPair kRowCodes[kRowCount] = {{0x14, 0x40}, {0x14, 0x60}};

CaptionPair Pair(std::uint8_t a, std::uint8_t b) {
  return {OddParity(a), OddParity(b)};
}

void Control(std::vector<CaptionPair>& out, std::uint8_t a, std::uint8_t b) {
  out.push_back(Pair(a, b));
  out.push_back(Pair(a, b));  // sent twice; the repeat is ignored by decoders
}

std::uint8_t BasicCharacter(char ch) {
  const auto c = static_cast<std::uint8_t>(ch);
  // The basic set differs from ASCII at these codes (accented letters, block).
  switch (c) {
    case 0x2A:
    case 0x5C:
    case 0x5E:
    case 0x5F:
    case 0x60:
      return 0x20;
    default:
      break;
  }
  if (c < 0x20 || c > 0x7A) return 0x20;
  return c;
}

}  // namespace

std::uint8_t OddParity(std::uint8_t sevenBits) {
  const std::uint8_t b = sevenBits & 0x7F;
  return std::popcount(b) % 2 == 0 ? static_cast<std::uint8_t>(b | 0x80) : b;
}

std::vector<CaptionPair> PopOnCaption(const std::vector<std::string>& rows) {
  std::vector<CaptionPair> out;
  Control(out, kMiscControl, kResumeCaptionLoading);
  Control(out, kMiscControl, kEraseNonDisplayedMemory);
  const std::size_t first = rows.size() >= kRowCount ? 0 : kRowCount - rows.size();
  for (std::size_t r = 0; r < rows.size() && r < kRowCount; ++r) {
    const CaptionPair code = kRowCodes[first + r];
    Control(out, code[0], code[1]);
    const std::string& text = rows[r];
    for (std::size_t i = 0; i < text.size() && i < 32; i += 2) {
      const std::uint8_t a = BasicCharacter(text[i]);
      const std::uint8_t b = i + 1 < text.size() ? BasicCharacter(text[i + 1]) : 0x00;
      out.push_back(Pair(a, b));
    }
  }
  Control(out, kMiscControl, kEndOfCaption);
  return out;
}

std::vector<CaptionPair> CaptionTrack(const std::vector<std::vector<std::string>>& captions,
                                      int frameCount) {
  std::vector<CaptionPair> track(static_cast<std::size_t>(std::max(frameCount, 0)), kNullPair);
  std::size_t at = 0;
  for (std::size_t i = 0; i < captions.size(); ++i) {
    at = std::max(at, i * track.size() / captions.size());
    const std::vector<CaptionPair> pairs = PopOnCaption(captions[i]);
    // A caption is sent whole or not at all: half of one would never be shown.
    if (at + pairs.size() > track.size()) break;
    for (const CaptionPair& pair : pairs)
      track[at++] = pair;
  }
  return track;
}

}  // namespace broadcast

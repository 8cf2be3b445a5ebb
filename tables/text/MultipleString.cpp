// The multiple string structure of ATSC A/65: number_strings, then per string
// a 3-byte language code and number_segments, then per segment
// compression_type, mode, number_bytes and that many bytes. Only the first
// string is decoded, whatever its language.
#include <algorithm>

#include "common/ByteReader.h"
#include "tables/text/Huffman.h"
#include "tables/text/TextDecoding.h"
#include "tables/text/UnicodeCompression.h"

namespace tables {
namespace {

constexpr std::uint8_t kUncompressed = 0x00;
constexpr std::uint8_t kHuffmanTitle = 0x01;
constexpr std::uint8_t kHuffmanDescription = 0x02;
constexpr std::uint8_t kModeUnicodeCompression = 0x3E;
constexpr std::uint8_t kModeUtf16 = 0x3F;

struct Segment {
  std::uint8_t compressionType = 0;
  std::uint8_t mode = 0;
  std::span<const std::uint8_t> bytes;
};

// Walks the segments of the first string. A segment whose header or bytes run
// past the input ends the walk; the segments before it stand.
template <typename Visit>
void ForEachSegment(std::span<const std::uint8_t> input, Visit&& visit) {
  common::ByteReader reader(input);
  const std::uint8_t numberStrings = reader.U8();
  if (!reader.Ok() || numberStrings == 0) return;
  reader.Skip(3);  // ISO 639 language code
  const std::uint8_t numberSegments = reader.U8();
  for (unsigned i = 0; i < numberSegments && reader.Ok(); ++i) {
    Segment segment;
    segment.compressionType = reader.U8();
    segment.mode = reader.U8();
    const std::uint8_t numberBytes = reader.U8();
    segment.bytes = reader.Bytes(numberBytes);
    if (!reader.Ok()) return;
    visit(segment);
  }
}

std::span<const std::uint8_t> HuffmanTableFor(std::uint8_t compressionType) {
  return compressionType == kHuffmanTitle ? HuffmanTitleTable() : HuffmanDescriptionTable();
}

bool IsHuffman(std::uint8_t compressionType) {
  return compressionType == kHuffmanTitle || compressionType == kHuffmanDescription;
}

// Writes the terminator after `length` characters and returns the count with it.
template <typename Char>
std::size_t Terminate(std::span<Char> out, std::size_t length) {
  out[length] = Char{0};
  return length + 1;
}

bool IsOneByteMode(std::uint8_t mode) {
  return mode <= 0x06 || (mode >= 0x09 && mode <= 0x10) || (mode >= 0x20 && mode <= 0x27) ||
         (mode >= 0x30 && mode <= 0x33);
}

}  // namespace

std::size_t DecodeSegment16(std::span<char16_t> out, std::span<const std::uint8_t> segment,
                            std::uint8_t mode) {
  if (mode == kModeUnicodeCompression) return DecodeUnicodeCompression(out, segment);
  if (mode == kModeUtf16) {
    const std::size_t count = std::min(out.size(), segment.size() / 2);
    for (std::size_t i = 0; i < count; ++i) {
      out[i] = static_cast<char16_t>(segment[2 * i] << 8 | segment[2 * i + 1]);
    }
    return count;
  }
  const std::size_t count = std::min(out.size(), segment.size());
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = IsOneByteMode(mode) ? static_cast<char16_t>(mode << 8 | segment[i]) : u'?';
  }
  return count;
}

std::size_t DecodeMultipleString16(std::span<char16_t> out, std::span<const std::uint8_t> input) {
  if (out.empty()) return 0;
  std::size_t length = 0;
  std::size_t capacity = out.size() - 1;
  ForEachSegment(input, [&](const Segment& segment) {
    const auto free = out.subspan(length, capacity);
    if (segment.compressionType == kUncompressed) {
      const std::size_t count = DecodeSegment16(free, segment.bytes, segment.mode);
      length += count;
      capacity -= count;
    } else if (IsHuffman(segment.compressionType)) {
      auto state = HuffmanStart(HuffmanTableFor(segment.compressionType));
      const std::size_t count = HuffmanDecode(state, free, segment.bytes);
      // A Huffman segment in another mode uses up its room, but the next
      // segment writes over its text.
      capacity -= count;
      if (segment.mode == 0x00) length += count;
    }
  });
  return Terminate(out, length);
}

std::size_t DecodeMultipleString8(std::span<char> out, std::span<const std::uint8_t> input) {
  if (out.empty()) return 0;
  std::size_t length = 0;
  std::size_t capacity = out.size() - 1;
  ForEachSegment(input, [&](const Segment& segment) {
    if (segment.mode != 0x00 && segment.compressionType == kUncompressed) return;
    const auto free = out.subspan(length, capacity);
    if (segment.compressionType == kUncompressed) {
      const std::size_t count = std::min(free.size(), segment.bytes.size());
      std::copy_n(segment.bytes.begin(), count, free.begin());
      length += count;
      capacity -= count;
    } else if (IsHuffman(segment.compressionType)) {
      auto state = HuffmanStart(HuffmanTableFor(segment.compressionType));
      const std::size_t count = HuffmanDecode(state, free, segment.bytes);
      capacity -= count;
      if (segment.mode == 0x00) length += count;
    }
  });
  return Terminate(out, length);
}

}  // namespace tables

// Helpers shared by the text decoding tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace tables::test {

using Bytes = std::vector<std::uint8_t>;

struct SegmentBytes {
  std::uint8_t compressionType;
  std::uint8_t mode;
  Bytes bytes;
};

// One string of a multiple string structure: language code and its segments.
struct StringBytes {
  const char* language;
  std::vector<SegmentBytes> segments;
};

// Builds a multiple string structure; number_bytes is each segment's size.
inline Bytes MultipleString(std::initializer_list<StringBytes> strings) {
  Bytes out{static_cast<std::uint8_t>(strings.size())};
  for (const auto& s : strings) {
    out.insert(out.end(), s.language, s.language + 3);
    out.push_back(static_cast<std::uint8_t>(s.segments.size()));
    for (const auto& seg : s.segments) {
      out.push_back(seg.compressionType);
      out.push_back(seg.mode);
      out.push_back(static_cast<std::uint8_t>(seg.bytes.size()));
      out.insert(out.end(), seg.bytes.begin(), seg.bytes.end());
    }
  }
  return out;
}

inline Bytes Ascii(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

}  // namespace tables::test

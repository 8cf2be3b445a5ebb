#include "tools/broadcast/MultipleString.h"

#include <algorithm>

namespace broadcast {
namespace {

constexpr std::size_t kMaxSegmentBytes = 255;

struct EncodedSegment {
  std::uint8_t compression = 0;
  Bytes bytes;
};

void EncodeSegment(const TextSegment& segment, HuffmanTable table,
                   std::vector<EncodedSegment>& out) {
  if (segment.huffman) {
    if (auto bytes = HuffmanEncode(table, segment.latin1);
        bytes && bytes->size() <= kMaxSegmentBytes) {
      const std::uint8_t type = table == HuffmanTable::kTitle ? 0x01 : 0x02;
      out.push_back({type, std::move(*bytes)});
      return;
    }
  }
  for (std::size_t at = 0; at < segment.latin1.size() || at == 0; at += kMaxSegmentBytes) {
    const std::size_t n = std::min(kMaxSegmentBytes, segment.latin1.size() - at);
    const auto* p = reinterpret_cast<const std::uint8_t*>(segment.latin1.data()) + at;
    out.push_back({0x00, Bytes(p, p + n)});
    if (segment.latin1.empty()) break;
  }
}

}  // namespace

Bytes MultipleString(const std::vector<LanguageString>& strings, HuffmanTable table) {
  BitWriter w;
  w.U8(static_cast<std::uint32_t>(std::min<std::size_t>(strings.size(), 255)));
  for (std::size_t i = 0; i < strings.size() && i < 255; ++i) {
    const LanguageString& s = strings[i];
    std::string language = s.language;
    language.resize(3, ' ');
    w.Append(language);
    std::vector<EncodedSegment> segments;
    for (const TextSegment& segment : s.segments)
      EncodeSegment(segment, table, segments);
    if (segments.size() > 255) segments.resize(255);
    w.U8(static_cast<std::uint32_t>(segments.size()));
    for (const EncodedSegment& segment : segments) {
      w.U8(segment.compression);
      w.U8(0x00);  // mode: ISO 8859-1 (the Latin page of Unicode)
      w.U8(static_cast<std::uint32_t>(segment.bytes.size()));
      w.Append(segment.bytes);
    }
  }
  return w.Take();
}

Bytes SimpleMultipleString(const std::string& latin1, bool huffman, HuffmanTable table) {
  return MultipleString({LanguageString{"eng", {TextSegment{latin1, huffman}}}}, table);
}

}  // namespace broadcast

#include "tests/broadcast/ReferenceText.h"

#include "common/ByteReader.h"
#include "tools/broadcast/AtscHuffman.h"

namespace broadcast::test {

std::string ReferenceHuffmanDecode(std::span<const std::uint8_t> table,
                                   std::span<const std::uint8_t> bytes) {
  std::string out;
  std::size_t bit = 0;
  const std::size_t bits = bytes.size() * 8;
  auto take = [&]() -> unsigned {
    const unsigned b = (bytes[bit / 8] >> (7 - bit % 8)) & 1;
    ++bit;
    return b;
  };
  unsigned context = 0;
  while (bit < bits) {
    const std::size_t tree = std::size_t{table[2 * context]} << 8 | table[2 * context + 1];
    unsigned node = 0;
    for (;;) {
      if (bit >= bits) return out;
      const std::uint8_t entry = table[tree + 2 * node + take()];
      if (entry < 0x80) {
        node = entry;
        continue;
      }
      const unsigned symbol = entry & 0x7F;
      if (symbol == 0x00) return out;
      if (symbol == 0x1B) {
        if (bits - bit < 8) return out;
        unsigned literal = 0;
        for (int i = 0; i < 8; ++i)
          literal = literal << 1 | take();
        out.push_back(static_cast<char>(literal));
        context = literal & 0x7F;
      } else {
        out.push_back(static_cast<char>(symbol));
        context = symbol;
      }
      break;
    }
  }
  return out;
}

std::vector<DecodedString> DecodeMultipleString(std::span<const std::uint8_t> bytes, bool* ok) {
  common::ByteReader r(bytes);
  std::vector<DecodedString> strings;
  const std::uint8_t count = r.U8();
  for (int i = 0; i < count && r.Ok(); ++i) {
    DecodedString s;
    const auto language = r.Bytes(3);
    s.language.assign(language.begin(), language.end());
    const std::uint8_t segments = r.U8();
    for (int j = 0; j < segments && r.Ok(); ++j) {
      const std::uint8_t compression = r.U8();
      const std::uint8_t mode = r.U8();
      const std::uint8_t length = r.U8();
      const auto data = r.Bytes(length);
      s.compression.push_back(compression);
      if (mode != 0) {
        r.SetError();
      } else if (compression == 0) {
        s.text.append(data.begin(), data.end());
      } else if (compression == 1 || compression == 2) {
        s.text += ReferenceHuffmanDecode(
            HuffmanDecodeTable(compression == 1 ? HuffmanTable::kTitle
                                                : HuffmanTable::kDescription),
            data);
      } else {
        r.SetError();
      }
    }
    strings.push_back(std::move(s));
  }
  if (ok) *ok = r.Ok() && r.AtEnd();
  return strings;
}

}  // namespace broadcast::test

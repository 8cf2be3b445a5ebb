#include "tools/broadcast/AtscHuffman.h"

#include <array>
#include <mutex>

#include "tables/text/HuffmanTables.h"

namespace broadcast {
namespace {

constexpr unsigned kContexts = 128;
constexpr std::uint8_t kEndSymbol = 0x00;
constexpr std::uint8_t kEscapeSymbol = 0x1B;

struct Code {
  std::uint32_t bits = 0;
  std::uint8_t length = 0;  // 0 = symbol not in this context's tree
};

struct CodeBook {
  std::array<std::array<Code, 128>, kContexts> codes{};
};

void Walk(std::span<const std::uint8_t> tree, unsigned node, std::uint32_t bits,
          std::uint8_t length, std::array<Code, 128>& out, unsigned depth) {
  if (depth > 32) return;  // a malformed table cannot loop forever
  for (unsigned bit = 0; bit < 2; ++bit) {
    const std::size_t at = 2 * node + bit;
    if (at >= tree.size()) return;
    const std::uint8_t entry = tree[at];
    const std::uint32_t code = bits << 1 | bit;
    const std::uint8_t codeLength = static_cast<std::uint8_t>(length + 1);
    if (entry < 0x80) {
      Walk(tree, entry, code, codeLength, out, depth + 1);
    } else {
      Code& c = out[entry & 0x7F];
      if (c.length == 0 || codeLength < c.length) c = {code, codeLength};
    }
  }
}

CodeBook BuildCodeBook(std::span<const std::uint8_t> table) {
  CodeBook book;
  for (unsigned context = 0; context < kContexts; ++context) {
    const std::size_t start = std::size_t{table[2 * context]} << 8 | table[2 * context + 1];
    std::size_t end = table.size();
    if (context + 1 < kContexts)
      end = std::size_t{table[2 * context + 2]} << 8 | table[2 * context + 3];
    if (start >= end || end > table.size()) continue;
    Walk(table.subspan(start, end - start), 0, 0, 0, book.codes[context], 0);
  }
  return book;
}

const CodeBook& Book(HuffmanTable table) {
  static const CodeBook title = BuildCodeBook(tables::HuffmanTitleTable());
  static const CodeBook description = BuildCodeBook(tables::HuffmanDescriptionTable());
  return table == HuffmanTable::kTitle ? title : description;
}

}  // namespace

std::span<const std::uint8_t> HuffmanDecodeTable(HuffmanTable table) {
  if (table == HuffmanTable::kTitle) return tables::HuffmanTitleTable();
  return tables::HuffmanDescriptionTable();
}

std::optional<Bytes> HuffmanEncode(HuffmanTable table, std::string_view latin1) {
  const CodeBook& book = Book(table);
  BitWriter w;
  std::size_t bitCount = 0;
  auto put = [&](std::uint32_t bits, unsigned length) {
    w.Bits(bits, length);
    bitCount += length;
  };
  unsigned context = 0;
  for (const char ch : latin1) {
    const std::uint8_t byte = static_cast<std::uint8_t>(ch);
    if (byte == kEndSymbol) return std::nullopt;
    const auto& codes = book.codes[context];
    if (byte < 0x80 && byte != kEscapeSymbol && codes[byte].length != 0) {
      put(codes[byte].bits, codes[byte].length);
    } else {
      const Code escape = codes[kEscapeSymbol];
      if (escape.length == 0) return std::nullopt;
      put(escape.bits, escape.length);
      put(byte, 8);
    }
    context = byte & 0x7F;
  }
  const auto& codes = book.codes[context];
  if (codes[kEndSymbol].length != 0) {
    put(codes[kEndSymbol].bits, codes[kEndSymbol].length);
  } else {
    // No end symbol in this context: the padding must not complete a code.
    // Either a proper prefix of the escape code, or the whole escape followed
    // by fewer than the eight literal bits it asks for.
    const unsigned padding = static_cast<unsigned>((8 - bitCount % 8) % 8);
    const Code escape = codes[kEscapeSymbol];
    if (padding != 0) {
      if (escape.length == 0) return std::nullopt;
      if (escape.length > padding) {
        put(escape.bits >> (escape.length - padding), padding);
      } else {
        put(escape.bits, escape.length);
        put(0, padding - escape.length);
      }
    }
  }
  return w.Take();
}

}  // namespace broadcast

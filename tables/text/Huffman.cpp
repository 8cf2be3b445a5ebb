#include "tables/text/Huffman.h"

namespace tables {
namespace {

constexpr std::uint8_t kEndSymbol = 0x00;
constexpr std::uint8_t kEscapeSymbol = 0x1B;
constexpr unsigned kLiteralBits = 8;

// Both the table and the input are checked before every read: a table offset
// or node number that points outside the table ends the string, as does the
// last input bit.
template <typename Char>
std::size_t Decode(HuffmanState& state, std::span<Char> out, std::span<const std::uint8_t> input) {
  const auto table = state.table;
  std::size_t written = 0;
  while (written < out.size()) {
    if (state.lookupPending) {
      const std::size_t context = state.priorSymbol & 0x7F;
      if (2 * context + 1 >= table.size()) return written;
      state.treeOffset = static_cast<std::size_t>(table[2 * context]) << 8 | table[2 * context + 1];
      state.node = 0;
      state.lookupPending = false;
    }
    if (state.bitCount / 8 >= input.size()) return written;
    const std::size_t bitIndex = state.bitCount++;
    const unsigned bit = (input[bitIndex / 8] >> (7 - bitIndex % 8)) & 1u;

    if (state.escapeBits > 0) {
      state.priorSymbol = static_cast<std::uint8_t>(state.priorSymbol << 1 | bit);
      if (--state.escapeBits == 0) {
        out[written++] = static_cast<Char>(state.priorSymbol);
        state.lookupPending = true;
      }
      continue;
    }

    const std::size_t entryIndex = state.treeOffset + 2 * std::size_t{state.node} + bit;
    if (entryIndex >= table.size()) return written;
    const std::uint8_t entry = table[entryIndex];
    if (entry < 0x80) {
      state.node = entry;
      continue;
    }
    const std::uint8_t symbol = entry & 0x7F;
    state.priorSymbol = symbol;
    if (symbol == kEscapeSymbol) {
      state.priorSymbol = 0;
      state.escapeBits = kLiteralBits;
    } else if (symbol == kEndSymbol) {
      return written;
    } else {
      out[written++] = static_cast<Char>(symbol);
      state.lookupPending = true;
    }
  }
  return written;
}

}  // namespace

HuffmanState HuffmanStart(std::span<const std::uint8_t> table) {
  HuffmanState state;
  state.table = table;
  return state;
}

std::size_t HuffmanDecode(HuffmanState& state, std::span<char16_t> out,
                          std::span<const std::uint8_t> input) {
  return Decode(state, out, input);
}

std::size_t HuffmanDecode(HuffmanState& state, std::span<char> out,
                          std::span<const std::uint8_t> input) {
  return Decode(state, out, input);
}

}  // namespace tables

// A growing big-endian byte and bit writer for building table sections, PES
// headers and descriptors. Bit fields are written most significant bit first
// and continue inside the current byte; byte writes start at the next whole
// byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace broadcast {

using Bytes = std::vector<std::uint8_t>;

class BitWriter {
 public:
  BitWriter() = default;

  void U8(std::uint32_t v) { Big(v, 1); }
  void U16(std::uint32_t v) { Big(v, 2); }
  void U24(std::uint32_t v) { Big(v, 3); }
  void U32(std::uint32_t v) { Big(v, 4); }

  // Writes the low `count` bits of `value` (count 1-64).
  void Bits(std::uint64_t value, unsigned count) {
    for (unsigned i = count; i-- > 0;) {
      if (bitPos_ == 0) bytes_.push_back(0);
      if ((value >> i) & 1u) bytes_.back() |= static_cast<std::uint8_t>(0x80u >> bitPos_);
      bitPos_ = (bitPos_ + 1) & 7u;
    }
  }
  // Reserved bits are written as ones.
  void Reserved(unsigned count) { Bits(~std::uint64_t{0}, count); }

  void Append(std::span<const std::uint8_t> data) {
    bitPos_ = 0;
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }
  void Append(std::string_view text) {
    bitPos_ = 0;
    bytes_.insert(bytes_.end(), text.begin(), text.end());
  }

  std::size_t Size() const { return bytes_.size(); }
  // Overwrites a 16-bit big-endian value at `offset` (for lengths known later).
  void Patch16(std::size_t offset, std::uint16_t v) {
    bytes_[offset] = static_cast<std::uint8_t>(v >> 8);
    bytes_[offset + 1] = static_cast<std::uint8_t>(v);
  }
  // Overwrites the low 12 bits of the 16-bit field at `offset`, keeping its top four bits.
  void Patch12(std::size_t offset, std::uint16_t v) {
    bytes_[offset] = static_cast<std::uint8_t>((bytes_[offset] & 0xF0) | ((v >> 8) & 0x0F));
    bytes_[offset + 1] = static_cast<std::uint8_t>(v);
  }
  // Overwrites the low 10 bits of the 16-bit field at `offset`.
  void Patch10(std::size_t offset, std::uint16_t v) {
    bytes_[offset] = static_cast<std::uint8_t>((bytes_[offset] & 0xFC) | ((v >> 8) & 0x03));
    bytes_[offset + 1] = static_cast<std::uint8_t>(v);
  }

  const Bytes& Data() const { return bytes_; }
  Bytes Take() { return std::move(bytes_); }

 private:
  void Big(std::uint32_t v, unsigned n) {
    bitPos_ = 0;
    for (unsigned i = n; i-- > 0;)
      bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }

  Bytes bytes_;
  unsigned bitPos_ = 0;
};

}  // namespace broadcast

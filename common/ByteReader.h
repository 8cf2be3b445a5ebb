// The one bounds-checked reader for broadcast data and stored files.
//
// Reads big-endian bytes and bit fields from a span. A read past the end
// returns 0 and sets a sticky error flag; the caller checks Ok() once after a
// group of reads, so a damaged length can never carry a parse past its block.
// Sub() hands out a reader limited to a declared length (a descriptor loop, a
// table entry), which fails on its own without touching the parent's limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace common {

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data, size) {}

  bool Ok() const { return !error_; }
  std::size_t Position() const { return pos_; }
  std::size_t Size() const { return data_.size(); }
  std::size_t Remaining() const { return error_ ? 0 : data_.size() - pos_; }
  bool AtEnd() const { return Remaining() == 0; }
  std::span<const std::uint8_t> Data() const { return data_; }

  std::uint8_t U8() { return static_cast<std::uint8_t>(Big(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Big(2)); }
  std::uint32_t U24() { return static_cast<std::uint32_t>(Big(3)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Big(4)); }
  std::uint64_t U64() { return Big(8); }

  // Little-endian reads, for the program's own stored records.
  std::uint16_t Le16() { return static_cast<std::uint16_t>(Little(2)); }
  std::uint32_t Le32() { return static_cast<std::uint32_t>(Little(4)); }

  // Reads `count` bits (1-64), most significant first, continuing inside the
  // current byte. Byte reads after a bit read start at the next whole byte.
  std::uint64_t Bits(unsigned count) {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < count; ++i) {
      if (pos_ >= data_.size()) return Fail();
      const unsigned bit = (data_[pos_] >> (7 - bitPos_)) & 1u;
      value = value << 1 | bit;
      if (++bitPos_ == 8) {
        bitPos_ = 0;
        ++pos_;
      }
    }
    return value;
  }
  bool Flag() { return Bits(1) != 0; }

  // Skips to the next byte boundary after bit reads.
  void AlignToByte() {
    if (bitPos_ != 0) {
      bitPos_ = 0;
      ++pos_;
    }
  }

  // Skips `count` bytes; fails (and stops at the end) when fewer remain.
  void Skip(std::size_t count) {
    AlignToByte();
    if (error_ || count > data_.size() - pos_) {
      Fail();
      return;
    }
    pos_ += count;
  }

  // Returns the next `count` bytes and moves past them; an empty span and the
  // error flag when fewer remain.
  std::span<const std::uint8_t> Bytes(std::size_t count) {
    AlignToByte();
    if (error_ || count > data_.size() - pos_) {
      Fail();
      return {};
    }
    auto out = data_.subspan(pos_, count);
    pos_ += count;
    return out;
  }

  // A reader over the next `count` bytes, moving this one past them.
  ByteReader Sub(std::size_t count) {
    auto bytes = Bytes(count);
    ByteReader sub(bytes);
    if (error_) sub.error_ = true;
    return sub;
  }

  // Looks at a byte without moving; 0 and no error when out of range.
  std::uint8_t Peek(std::size_t offset = 0) const {
    return (!error_ && offset < data_.size() - pos_) ? data_[pos_ + offset] : 0;
  }

  void SetError() { error_ = true; }

 private:
  std::uint64_t Fail() {
    error_ = true;
    pos_ = data_.size();
    bitPos_ = 0;
    return 0;
  }

  std::uint64_t Big(std::size_t n) {
    AlignToByte();
    if (error_ || n > data_.size() - pos_) return Fail();
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i)
      v = v << 8 | data_[pos_ + i];
    pos_ += n;
    return v;
  }

  std::uint64_t Little(std::size_t n) {
    AlignToByte();
    if (error_ || n > data_.size() - pos_) return Fail();
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i)
      v |= static_cast<std::uint64_t>(data_[pos_ + i]) << (8 * i);
    pos_ += n;
    return v;
  }

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
  unsigned bitPos_ = 0;
  bool error_ = false;
};

}  // namespace common

// The one bounds-checked reader for broadcast data and stored files.
//
// Reads big-endian bytes and bit fields from a span. A read past the end
// returns 0 and sets a sticky error flag; the caller checks Ok() once after a
// group of reads, so a damaged length can never carry a parse past its block.
// Sub() hands out a reader limited to a declared length (a descriptor loop, a
// table entry), which fails on its own without touching the parent's limit.
// The bit-level calls (PeekBits, SkipBits, NextStartCode) serve the bit-packed
// headers of MPEG video, where a reader covers one header up to the next start
// code and parses it field by field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
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
  // Fails as a whole (returns 0, moves to the end) when fewer bits remain.
  std::uint64_t Bits(unsigned count) {
    if (count > RemainingBits()) return Fail();
    std::uint64_t value = 0;
    while (count > 0) {
      const unsigned n = count < 32 ? count : 32;
      value = value << n | PeekBits(n);
      Advance(n);
      count -= n;
    }
    return value;
  }
  bool Flag() { return Bits(1) != 0; }

  // The next `count` bits (0-32) without moving. Bits past the end read as 0
  // and set no error: looking is not consuming.
  std::uint32_t PeekBits(unsigned count) const {
    if (count == 0) return 0;
    const std::uint8_t* p = data_.data() + pos_;
    const std::size_t left = data_.size() - pos_;
    std::uint64_t window = 0;  // five bytes from the current one, zeros past the end
    if (left >= 5) {
      window = std::uint64_t{p[0]} << 32 | std::uint64_t{p[1]} << 24 | std::uint64_t{p[2]} << 16 |
               std::uint64_t{p[3]} << 8 | p[4];
    } else {
      for (std::size_t i = 0; i < 5; ++i)
        window = window << 8 | (i < left ? p[i] : 0u);
    }
    return static_cast<std::uint32_t>((window >> (40 - bitPos_ - count)) &
                                      ((std::uint64_t{1} << count) - 1));
  }

  // Skips `count` bits; fails (and stops at the end) when fewer remain.
  void SkipBits(std::size_t count) {
    if (count > RemainingBits()) {
      Fail();
      return;
    }
    Advance(count);
  }

  bool ByteAligned() const { return bitPos_ == 0; }

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

  // MPEG start codes (0x00 0x00 0x01 and an id byte). NextStartCode aligns to
  // a byte, then moves to the next prefix, staying put when it is already at
  // one; without one it fails at the end.
  void NextStartCode() {
    AlignToByte();
    const std::size_t at = FindStartCode(pos_);
    if (at == data_.size()) {
      Fail();
      return;
    }
    pos_ = at;
  }
  // Whole bytes from the current byte (the next one after bit reads) to the
  // next prefix, or to the end when there is none.
  std::size_t BytesToNextStartCode() const {
    const std::size_t start = pos_ + (bitPos_ != 0 ? 1 : 0);
    return FindStartCode(start) - start;
  }

  void SetError() { error_ = true; }

 private:
  std::size_t RemainingBits() const { return error_ ? 0 : (data_.size() - pos_) * 8 - bitPos_; }

  // Moves `count` bits on; the caller has checked they remain.
  void Advance(std::size_t count) {
    const std::size_t bit = bitPos_ + count;
    pos_ += bit >> 3;
    bitPos_ = static_cast<unsigned>(bit & 7);
  }

  // Position of the first prefix at or after `from`; the size when none.
  std::size_t FindStartCode(std::size_t from) const {
    const std::uint8_t* data = data_.data();
    const std::size_t size = data_.size();
    while (from + 3 <= size) {
      const void* hit = std::memchr(data + from + 2, 0x01, size - from - 2);
      if (hit == nullptr) break;
      const auto one = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
      if (data[one - 1] == 0 && data[one - 2] == 0) return one - 2;
      from = one - 1;
    }
    return size;
  }

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

// Bit reader over one region of the sequence buffer.
//
// A region starts at the first byte of a start code and ends with the four
// bytes of the start code that caused its parse. Show(n) peeks at the next n
// bits (most significant first); bits beyond the region end read as 0 and
// touch no memory there. Get/Skip/Align/NextStartCode consume; consuming past
// the end clamps the position to the end and sets a sticky overrun flag, so a
// parser checks Overrun() once after a header instead of after every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace capsift {

class CBitReader {
 public:
  explicit CBitReader(std::span<const std::uint8_t> region)
      : data_(region.data()), size_(region.size()) {}

  // Next n bits (0 <= n <= 32) without consuming them.
  std::uint32_t Show(unsigned n) const {
    if (n == 0) return 0;
    const std::size_t byte = bitPos_ >> 3;
    const unsigned offset = static_cast<unsigned>(bitPos_ & 7);
    std::uint64_t window = 0;  // five bytes from `byte`, zeros past the end
    if (byte + 5 <= size_) {
      for (std::size_t i = 0; i < 5; ++i)
        window = window << 8 | data_[byte + i];
    } else {
      for (std::size_t i = 0; i < 5; ++i) {
        window = window << 8 | (byte + i < size_ ? data_[byte + i] : 0u);
      }
    }
    return static_cast<std::uint32_t>((window >> (40 - offset - n)) & ((1ull << n) - 1));
  }

  std::uint32_t Get(unsigned n) {
    const std::uint32_t value = Show(n);
    Skip(n);
    return value;
  }

  void Skip(std::size_t n) {
    const std::size_t endBits = size_ * 8;
    if (n > endBits - bitPos_) {
      bitPos_ = endBits;
      overrun_ = true;
      return;
    }
    bitPos_ += n;
  }

  void Align() { Skip((8 - (bitPos_ & 7)) & 7); }

  // Aligns, then moves to the next 0x00 0x00 0x01 prefix (staying put if it
  // is already there). Without one before the end, ends at the end (overrun).
  void NextStartCode() {
    Align();
    std::size_t pos = bitPos_ >> 3;
    while (pos + 3 <= size_) {
      const void* hit = std::memchr(data_ + pos + 2, 0x01, size_ - pos - 2);
      if (hit == nullptr) break;
      const std::size_t one =
          static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data_);
      if (data_[one - 1] == 0 && data_[one - 2] == 0) {
        bitPos_ = (one - 2) * 8;
        return;
      }
      pos = one - 1;
    }
    bitPos_ = size_ * 8;
    overrun_ = true;
  }

  // Whole bytes from the current (aligned-down) position to the next start
  // code prefix, or to the region end when there is none.
  std::size_t BytesToNextStartCode() const {
    const std::size_t start = (bitPos_ + 7) >> 3;
    std::size_t pos = start;
    while (pos + 3 <= size_) {
      const void* hit = std::memchr(data_ + pos + 2, 0x01, size_ - pos - 2);
      if (hit == nullptr) break;
      const std::size_t one =
          static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data_);
      if (data_[one - 1] == 0 && data_[one - 2] == 0) return one - 2 - start;
      pos = one - 1;
    }
    return size_ >= start ? size_ - start : 0;
  }

  bool ByteAligned() const { return (bitPos_ & 7) == 0; }
  std::size_t BytePosition() const { return bitPos_ >> 3; }
  bool Overrun() const { return overrun_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t bitPos_ = 0;
  bool overrun_ = false;
};

}  // namespace capsift

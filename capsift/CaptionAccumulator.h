// Caption pairs collected while the headers of one picture are parsed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace capsift {

inline constexpr std::size_t kCaptionBytes = 256;  // 128 pairs

class CaptionAccumulator {
 public:
  // Appends one pair. A frame holds at most 128 pairs: pairs beyond that are
  // dropped rather than written past the 256 bytes of a record.
  void AddPair(std::uint8_t first, std::uint8_t second) {
    if (count_ + 2 > kCaptionBytes) {
      ++dropped_;
      return;
    }
    bytes_[count_] = first;
    bytes_[count_ + 1] = second;
    count_ += 2;
  }

  std::span<const std::uint8_t> Bytes() const { return {bytes_.data(), count_}; }
  std::size_t Count() const { return count_; }
  // Pairs dropped because a frame already held 128 (since construction).
  std::uint64_t DroppedPairs() const { return dropped_; }
  void Clear() { count_ = 0; }

 private:
  std::array<std::uint8_t, kCaptionBytes> bytes_{};
  std::size_t count_ = 0;
  std::uint64_t dropped_ = 0;
};

}  // namespace capsift

// The user's ways of choosing the next channel: stepping up and down through
// the enabled channels, and typing a number ("7", "31.5", "31.5.2").
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "tuning/ChannelList.h"
#include "tuning/ChannelLocator.h"

namespace tuning {

// The enabled channel after (+1) or before (-1) `current` in list order,
// wrapping at both ends. A current channel that is hidden, disabled or not in
// the list steps from where it would stand in the order. With no enabled
// channel the answer is `current`.
ChannelLocator NextChannel(ChannelList& list, const ChannelLocator& current, int direction);

// The number typed so far: up to ten digits and dots.
class NumberEntry {
 public:
  static constexpr std::size_t kCapacity = 10;

  // Appends a digit or '.'; false (and nothing kept) when the buffer is full
  // or the character is neither.
  bool Append(char c);
  const std::string& Text() const { return text_; }
  bool Empty() const { return text_.empty(); }
  void Clear() { text_.clear(); }

  // What Enter tunes: "N" the first channel with major N, "A.B" the first
  // with major A and minor B, "P.A.B" physical P as A.B on the scan band
  // (whether or not the list has it). Nothing for more dots, for an empty
  // number, or when no channel matches. `shown` gets "%d.%d" or "%d.%d.%d".
  std::optional<ChannelLocator> Resolve(ChannelList& list, std::uint8_t scanChannelMap,
                                        std::uint8_t scanModulation, std::string* shown) const;

 private:
  std::string text_;
};

}  // namespace tuning

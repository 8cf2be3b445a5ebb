#include "tuning/ChannelChange.h"

#include <cstdio>
#include <vector>

namespace tuning {

ChannelLocator NextChannel(ChannelList& list, const ChannelLocator& current, int direction) {
  std::vector<ChannelLocator> ring;
  std::size_t at = 0;
  bool found = false;
  {
    ChannelList::Lock lock = list.Acquire();
    const common::ListKey currentKey = ChannelList::KeyFor(current.key1, current.key2);
    for (auto& [key, node] : list) {
      // The current channel takes its place in the order even when it is not
      // an enabled channel of the list, so stepping starts from there.
      if (!found && !(key < currentKey)) {
        at = ring.size();
        found = true;
        if (!(currentKey < key)) {
          ring.push_back(node.record.locator);
          continue;
        }
        ring.push_back(current);
      }
      if (node.record.enabled) ring.push_back(node.record.locator);
    }
  }
  if (!found) {
    at = ring.size();
    ring.push_back(current);
  }
  if (ring.size() == 1) return current;
  const std::size_t n = ring.size();
  return ring[(at + n + (direction < 0 ? n - 1 : 1)) % n];
}

bool NumberEntry::Append(char c) {
  if (text_.size() >= kCapacity || !((c >= '0' && c <= '9') || c == '.')) return false;
  text_ += c;
  return true;
}

std::optional<ChannelLocator> NumberEntry::Resolve(ChannelList& list, std::uint8_t scanChannelMap,
                                                   std::uint8_t scanModulation,
                                                   std::string* shown) const {
  std::uint32_t numbers[3] = {};
  std::size_t dots = 0;
  bool digits = false;
  for (char c : text_) {
    if (c == '.') {
      if (++dots > 2) return std::nullopt;
    } else {
      numbers[dots] = numbers[dots] * 10 + static_cast<std::uint32_t>(c - '0');
      digits = true;
    }
  }
  if (!digits) return std::nullopt;
  char text[40];
  if (dots == 2) {
    std::snprintf(text, sizeof text, "%u.%u.%u", numbers[0], numbers[1], numbers[2]);
    if (shown) *shown = text;
    return ChannelLocator::Make(
        static_cast<std::uint8_t>(numbers[0]), static_cast<std::uint16_t>(numbers[2]),
        static_cast<std::uint16_t>(numbers[1]), scanChannelMap, scanModulation);
  }
  ChannelList::Lock lock = list.Acquire();
  for (auto& entry : list) {
    const ChannelLocator& l = entry.second.record.locator;
    if (l.major() != numbers[0] || (dots == 1 && l.minor() != numbers[1])) continue;
    std::snprintf(text, sizeof text, "%u.%u", l.major(), l.minor());
    if (shown) *shown = text;
    return l;
  }
  return std::nullopt;
}

}  // namespace tuning

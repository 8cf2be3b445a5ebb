#include "tuning/ChannelText.h"

#include <algorithm>
#include <cstdlib>

#include "tuning/ChannelChange.h"

namespace tuning {

std::optional<int> ParseDecimal(const std::string& text) {
  if (text.empty() || text.size() > 9 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return std::atoi(text.c_str());
}

std::optional<ChannelLocator> ResolveChannelText(const std::string& text, ChannelList& channels,
                                                 ChannelMap map, ModulationMask mode) {
  NumberEntry entry;
  for (char c : text) {
    if (!entry.Append(c)) return std::nullopt;
  }
  const std::uint8_t stored = ModulationToLocator(mode);
  std::string shown;
  if (auto found = entry.Resolve(channels, static_cast<std::uint8_t>(map), stored, &shown))
    return found;
  const std::size_t dot = text.find('.');
  const auto physical = ParseDecimal(text.substr(0, dot));
  if (!physical || !ResolveFrequency(map, *physical)) return std::nullopt;
  if (dot == std::string::npos) {
    return ChannelLocator::Make(static_cast<std::uint8_t>(*physical), kNoNumber, kNoNumber,
                                static_cast<std::uint8_t>(map), stored);
  }
  const auto programme = ParseDecimal(text.substr(dot + 1));
  if (!programme || *programme <= 0 || *programme > 0xFFFF) return std::nullopt;
  return ChannelLocator::Make(
      static_cast<std::uint8_t>(*physical), static_cast<std::uint16_t>(*programme),
      static_cast<std::uint16_t>(*physical), static_cast<std::uint8_t>(map), stored);
}

}  // namespace tuning

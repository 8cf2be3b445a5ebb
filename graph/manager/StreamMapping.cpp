#include "graph/manager/StreamMapping.h"

namespace graph {
namespace {

// The highest minor number whose default PIDs stay within 13 bits.
constexpr std::uint16_t kLastDefaultMinor = 509;

}  // namespace

std::optional<tuning::PlaybackInfo> StreamMappingFor(tuning::ChannelList& channels,
                                                     const tuning::ChannelLocator& locator) {
  const std::uint16_t major = locator.major();
  const std::uint16_t minor = locator.minor();
  if (major == 0 || major == tuning::kNoNumber || minor == tuning::kNoNumber) return std::nullopt;
  {
    tuning::ChannelList::Lock lock = channels.Acquire();
    if (channels.FindByKeys(locator.key1, locator.key2))
      return channels.LookupPlayback(locator.key1, locator.key2);
  }
  if (minor < 1 || minor > kLastDefaultMinor) return std::nullopt;
  return channels.LookupPlayback(locator.key1, locator.key2);
}

}  // namespace graph

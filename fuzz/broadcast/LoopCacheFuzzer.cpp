// Any bytes as a cached loop file: it is refused or read into a loop whose
// streams have lengths.
#include <cstdlib>

#include "tools/broadcast/ElementaryLoop.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  broadcast::EncodedLoop loop;
  if (!broadcast::DeserializeLoop(std::span<const std::uint8_t>(data, size), loop)) return 0;
  if (!loop.video.empty() && loop.videoDuration == 0) std::abort();
  if (!loop.audio.empty() && loop.audioDuration == 0) std::abort();
  // What was read writes back to the same bytes.
  const auto bytes = broadcast::SerializeLoop(loop);
  if (bytes.size() != size) std::abort();
  return 0;
}

// Any text as a broadcast description: it parses or names a line, and every
// multiplex it accepts is within the limits the generator relies on.
#include <cstdlib>
#include <string_view>

#include "tools/broadcast/Description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  broadcast::BroadcastDescription description;
  std::string error;
  if (!broadcast::ParseBroadcastDescription(text, description, error)) {
    if (error.rfind("line ", 0) != 0) std::abort();
    return 0;
  }
  for (const auto& m : description.multiplexes) {
    if (!m.synthetic) continue;
    if (m.BitRate() == 0) std::abort();
    for (const auto& c : m.channels) {
      if (c.analog) continue;
      for (const unsigned pid : {unsigned{c.pmtPid}, unsigned{c.videoPid}, unsigned{c.audioPid}})
        if (pid != 0 && (pid < 0x20 || pid > 0x1FEF)) std::abort();
      if (!c.HasVideo() && !c.HasAudio()) std::abort();
    }
  }
  return 0;
}

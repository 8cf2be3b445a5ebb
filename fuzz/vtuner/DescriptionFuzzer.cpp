// Any text as a broadcast description: it parses or gives an error naming a line.
#include <cstdlib>
#include <string_view>

#include "platform/bda/virtual/Description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto result = vtuner::ParseDescription(text, "/nonexistent", "fuzz", false);
  if (result.ok != result.error.empty()) {
    // an error text exactly when the parse failed
    std::abort();
  }
  if (result.ok) {
    for (const auto& mux : result.description.multiplexes)
      vtuner::FindMultiplex(result.description, mux.frequencyHz, mux.family);
  } else if (result.error.rfind("fuzz:", 0) != 0) {
    std::abort();
  }
  return 0;
}

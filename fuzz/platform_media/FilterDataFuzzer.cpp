// Feeds arbitrary bytes to the "FilterData" decoder (the value comes from the
// registry file, which another program or a damaged disk may have written) and
// checks that a decoded record survives encoding and decoding unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/media/FilterData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto decoded = media::DecodeFilterData(std::span<const BYTE>(data, size));
  if (decoded) {
    const auto again = media::DecodeFilterData(media::EncodeFilterData(*decoded));
    if (!again || again->merit != decoded->merit || again->pins.size() != decoded->pins.size()) {
      std::abort();
    }
    for (std::size_t i = 0; i < again->pins.size(); ++i) {
      if (again->pins[i].types != decoded->pins[i].types) std::abort();
    }
  }
  return 0;
}

#include "platform/av/decoders/DecoderStats.h"

namespace av {

bool ShouldTraceError(std::uint64_t errorCount) {
  return errorCount <= 10 || errorCount % 100 == 0;
}

}  // namespace av

// The decoders the Settings dialog offers: the filters the filter mapper
// reports for MPEG-2 video or AC-3 audio input, by merit (normal and above,
// or from "do not use" up with "Show All"), with the platform's own decoders
// always offered and other vendors' hidden from the normal list.
#pragma once

#include <string>
#include <vector>

namespace graph {

enum class DecoderKind { kMpeg2Video, kAc3Audio };

struct DecoderInfo {
  std::u16string friendlyName;  // at most 127 characters
  std::u16string displayName;   // the moniker's display name, under 256 characters
};

// In the mapper's order (highest merit first). Each candidate's class is
// traced as "Decoder CLSID: %S".
std::vector<DecoderInfo> EnumerateDecoders(DecoderKind kind, bool showAll);

}  // namespace graph

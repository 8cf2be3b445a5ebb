// What any filter tells about itself through its interfaces, in words: its
// name in the graph, its class and the formats of its connected pins. The
// decoder property dialogs show these.
#pragma once

#include <string>

#include "platform/media/Interfaces.h"

namespace graph {

struct FilterFacts {
  std::string name;
  std::string classId;  // "{...}"
  std::string input;    // the first connected input's format, "" when none is
  std::string output;   // the first connected output's format, "" when none is
};

// "MPEG-2 video, 720x480", "Dolby AC-3 audio, 48000 Hz, 2 channels": the
// subtype's name (or its GUID) and what the format block says of the size or
// the sampling.
std::string FormatText(const AM_MEDIA_TYPE& mt);

FilterFacts FactsOf(IBaseFilter* filter);

}  // namespace graph

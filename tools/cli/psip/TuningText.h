// The tuning of a capture as typed on the command line: channel map, physical
// channel and modulation, checked and turned into the tuning the capture is
// put on the air with.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "graph/capture/CaptureReceiver.h"
#include "tuning/BandPlan.h"

namespace cli {

// Where to put the capture on the air, as typed.
struct TuningText {
  std::string map = "Antenna US";
  std::string physical = "2";
  std::string modulation = "VSB:8-VSB";
};

// A channel map by number (0-6) or name ("Antenna US", any letter case).
std::optional<tuning::ChannelMap> ParseChannelMap(const std::string& text);

// A mode ("VSB:8-VSB", "QAM:256-QAM", ...) or a family ("VSB": its automatic mode).
std::optional<tuning::ModulationMask> ParseModulation(const std::string& text);

// Checks the capture file and the typed tuning, and prepares `receiver` with
// them. False with the one-line message in `error`.
bool PrepareCapture(graph::CaptureReceiver& receiver, const std::filesystem::path& capture,
                    const TuningText& text, std::string* error);

}  // namespace cli

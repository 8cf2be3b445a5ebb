#include "tools/cli/psip/TuningText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "tuning/ChannelText.h"

namespace cli {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::optional<tuning::ChannelMap> ParseChannelMap(const std::string& text) {
  for (tuning::ChannelMap m = tuning::kAntennaUs; m <= tuning::kAntennaTw; ++m) {
    if (EqualsNoCase(text, tuning::ChannelMapName(m)) || text == std::to_string(m)) return m;
  }
  return std::nullopt;
}

std::optional<tuning::ModulationMask> ParseModulation(const std::string& text) {
  for (unsigned bit = 0; bit < 32; ++bit) {
    const auto mask = static_cast<tuning::ModulationMask>(1u << bit);
    if (tuning::FamilyOf(mask) == tuning::DemodulatorFamily::kNone) continue;
    const std::string_view name = tuning::ModulationName(mask);
    if (EqualsNoCase(text, name)) return mask;
    const auto colon = name.find(':');
    if (colon != std::string_view::npos && EqualsNoCase(text, name.substr(0, colon)) &&
        EqualsNoCase(name.substr(colon + 1), "auto")) {
      return mask;
    }
  }
  return std::nullopt;
}

bool PrepareCapture(graph::CaptureReceiver& receiver, const std::filesystem::path& capture,
                    const TuningText& text, std::string* error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(capture, ec)) {
    *error = "no capture file \"" + capture.string() + "\"";
    return false;
  }
  const auto map = ParseChannelMap(text.map);
  if (!map) {
    *error = "unknown channel map \"" + text.map + "\"";
    return false;
  }
  const auto mode = ParseModulation(text.modulation);
  if (!mode) {
    *error = "unknown modulation \"" + text.modulation + "\"";
    return false;
  }
  const auto physical = tuning::ParseDecimal(text.physical);
  if (!physical || !tuning::ResolveFrequency(*map, *physical)) {
    *error = "physical channel " + text.physical + " is outside the \"" +
             std::string(tuning::ChannelMapName(*map)) + "\" band plan";
    return false;
  }
  return receiver.Prepare(capture, {*map, *physical, *mode}, error);
}

}  // namespace cli

#include "tools/cli/psip/CaptureOnAir.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace psip {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Hands the gate's packets to the virtual tuner as the multiplex's source.
class GateSource : public vtuner::PacketSource {
 public:
  explicit GateSource(std::shared_ptr<StreamGate> gate) : gate_(std::move(gate)) {}
  std::size_t Read(std::span<std::uint8_t> out) override { return gate_->Read(out); }

 private:
  std::shared_ptr<StreamGate> gate_;
};

}  // namespace

std::optional<int> ParseInt(const std::string& text) {
  if (text.empty() || text.size() > 9 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return std::atoi(text.c_str());
}

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

std::shared_ptr<vtuner::Broadcast> CaptureBroadcast(const std::filesystem::path& capture,
                                                    tuning::ChannelMap map, int physical,
                                                    tuning::ModulationMask mode,
                                                    std::uint64_t hertz,
                                                    std::shared_ptr<StreamGate> gate) {
  vtuner::BroadcastDescription description;
  description.tuners = 1;
  description.pace = false;
  description.folder = capture.parent_path();
  vtuner::MultiplexDecl mux;
  mux.line = 1;
  mux.frequencyHz = hertz;
  mux.family = tuning::FamilyOf(mode);
  mux.modulation = mode;
  mux.channelMap = static_cast<int>(map);
  mux.physical = physical;
  mux.kind = vtuner::SourceKind::kSynthetic;
  mux.syntheticName = "capture";
  mux.capture = capture;
  description.multiplexes.push_back(mux);
  auto broadcast = std::make_shared<vtuner::Broadcast>(std::move(description));
  broadcast->SetSyntheticSourceFactory(
      [gate](const vtuner::MultiplexDecl&, std::string*) -> std::unique_ptr<vtuner::PacketSource> {
        return std::make_unique<GateSource>(gate);
      });
  return broadcast;
}

}  // namespace psip

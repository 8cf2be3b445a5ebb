#include "graph/capture/CaptureOnAir.h"

namespace graph {
namespace {

// Hands the gate's packets to the virtual tuner as the multiplex's source.
class GateSource : public vtuner::PacketSource {
 public:
  explicit GateSource(std::shared_ptr<StreamGate> gate) : gate_(std::move(gate)) {}
  std::size_t Read(std::span<std::uint8_t> out) override { return gate_->Read(out); }
  std::string Failure() const override { return gate_->Failure(); }

 private:
  std::shared_ptr<StreamGate> gate_;
};

}  // namespace

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

}  // namespace graph

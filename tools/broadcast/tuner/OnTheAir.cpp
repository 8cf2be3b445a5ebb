#include "tools/broadcast/tuner/OnTheAir.h"

#include <cstdlib>

#include "platform/bda/virtual/Environment.h"
#include "tools/broadcast/Description.h"
#include "tools/broadcast/Multiplex.h"

namespace broadcast {
namespace {

// A simulated multiplex as the tuner's packet source.
class SimulatedSource : public vtuner::PacketSource {
 public:
  explicit SimulatedSource(std::unique_ptr<Multiplex> mux) : mux_(std::move(mux)) {}
  std::size_t Read(std::span<std::uint8_t> out) override { return mux_->Read(out); }

 private:
  std::unique_ptr<Multiplex> mux_;
};

}  // namespace

vtuner::SyntheticSourceFactory SimulatorFactory() {
  return [](const vtuner::MultiplexDecl& decl,
            std::string* error) -> std::unique_ptr<vtuner::PacketSource> {
    std::vector<BodyLine> body;
    body.reserve(decl.body.size());
    for (const auto& line : decl.body)
      body.push_back({line.line, line.text});
    MultiplexDescription description;
    std::string message;
    if (!ParseSyntheticMultiplex(static_cast<tuning::ChannelMap>(decl.channelMap), decl.physical,
                                 decl.modulation, decl.syntheticName, body, description, message)) {
      if (error) *error = message;
      return nullptr;
    }
    auto mux = Multiplex::Create(description, {}, message);
    if (!mux) {
      if (error) *error = message;
      return nullptr;
    }
    return std::make_unique<SimulatedSource>(std::move(mux));
  };
}

std::shared_ptr<vtuner::Broadcast> LoadBroadcast(std::string* error) {
  std::shared_ptr<vtuner::Broadcast> on;
  const char* named = std::getenv(vtuner::kBroadcastVariable);
  if (named && *named) {
    on = vtuner::Broadcast::Load(named, error);
  } else {
    auto parsed = vtuner::ParseDescription(SampleBroadcastText(), {}, "sample broadcast");
    if (!parsed.ok) {
      if (error) *error = parsed.error;
      return nullptr;
    }
    on = std::make_shared<vtuner::Broadcast>(std::move(parsed.description));
  }
  if (on) on->SetSyntheticSourceFactory(SimulatorFactory());
  return on;
}

}  // namespace broadcast

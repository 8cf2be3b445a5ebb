#include "bench/soak/SoakHosts.h"

#include "demux/filter/DemuxFilter.h"
#include "demux/filter/DemuxOutputPin.h"
#include "filters/provider/NetworkProvider.h"

namespace soak {

std::uint64_t VideoSamples(graph::CBDAFilterGraph& graph) {
  auto* demux = static_cast<demux::CDemuxFilter*>(graph.Ingest().Demux());
  if (demux == nullptr) return 0;
  for (int i = 0; i < demux->GetPinCount(); ++i) {
    auto* pin = dynamic_cast<demux::CDemuxOutputPin*>(demux->GetPin(i));
    if (pin && pin->Name() == filters::kVideoPinName) return pin->SamplesDelivered();
  }
  return 0;
}

}  // namespace soak

// Lets the once-a-second section poll (tables::INetworkProvider) set the PSI
// PIDs through the network provider filter's INetworkProvider. The graph
// manager wires one adapter per live graph, next to the section buffer's.
#pragma once

#include "filters/provider/INetworkProvider.h"
#include "platform/com/ComPtr.h"
#include "tables/poll/GraphTables.h"

namespace filters {

class PsiPidAdapter final : public tables::INetworkProvider {
 public:
  // Holds a reference to the filter's interface while it lives.
  explicit PsiPidAdapter(::INetworkProvider* provider) : provider_(provider) {}

  bool SetPsiPids(std::span<const std::int32_t> pids, bool recordTransportStream) override {
    if (!provider_) return false;
    return SUCCEEDED(provider_->SetPsiPids(pids.data(), static_cast<LONG>(pids.size()),
                                           recordTransportStream ? TRUE : FALSE));
  }

 private:
  ComPtr<::INetworkProvider> provider_;
};

}  // namespace filters

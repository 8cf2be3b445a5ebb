// Lets the once-a-second section poll (tables::INetworkProvider) set the PSI
// PIDs through the network provider filter's INetworkProvider. The graph
// manager wires one adapter per live graph, next to the section buffer's.
#pragma once

#include "filters/provider/INetworkProvider.h"
#include "platform/com/ComPtr.h"
#include "tables/poll/GraphTables.h"

namespace provider {

class PsiPidAdapter final : public tables::INetworkProvider {
 public:
  // Holds a reference to the filter's interface while it lives.
  explicit PsiPidAdapter(::INetworkProvider* provider) : provider_(provider) {}

  HRESULT SetPsiPids(const std::int32_t* pids, std::int32_t count, bool flag) override {
    if (!provider_) return E_POINTER;
    return provider_->SetPsiPids(pids, count, flag ? TRUE : FALSE);
  }

 private:
  ComPtr<::INetworkProvider> provider_;
};

}  // namespace provider

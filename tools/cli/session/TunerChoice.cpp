#include "tools/cli/session/TunerChoice.h"

#include "common/Utf16.h"
#include "graph/ingest/TunerDevices.h"
#include "platform/bda/model/BdaInterfaces.h"
#include "platform/com/ComPtr.h"
#include "platform/media/Devices.h"
#include "tools/broadcast/tuner/TunerRegistration.h"

namespace cli {
namespace {

common::ModulationMask ModulationsOf(const std::u16string& displayName) {
  ComPtr<IMoniker> moniker;
  ULONG eaten = 0;
  if (FAILED(MkParseDisplayName(nullptr, displayName.c_str(), &eaten, &moniker))) return 0;
  ComPtr<IBDA_Topology> topology;
  if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&topology)))) return 0;
  ULONG count = 0;
  BDANODE_DESCRIPTOR nodes[16];
  if (FAILED(topology->GetNodeDescriptors(&count, 16, nodes))) return 0;
  common::ModulationMask mask = 0;
  for (ULONG i = 0; i < count && i < 16; ++i) {
    if (nodes[i].guidFunction == KSNODE_BDA_8VSB_DEMODULATOR) mask |= common::kVsbModes;
    if (nodes[i].guidFunction == KSNODE_BDA_QAM_DEMODULATOR) mask |= common::kQamModes;
    if (nodes[i].guidFunction == KSNODE_BDA_COFDM_DEMODULATOR) mask |= common::kCofdmModes;
  }
  return mask;
}

}  // namespace

bool TakeTunerOption(std::vector<std::string>& args, std::string* name) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--tuner") continue;
    if (i + 1 >= args.size()) return false;
    *name = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    return true;
  }
  return true;
}

std::vector<TunerListing> ListTuners(std::string* error) {
  std::vector<TunerListing> list;
  broadcast::RegisterTuners(error);
  for (const graph::TunerInfo& tuner : graph::EnumerateTuners()) {
    list.push_back({common::ToUtf8(tuner.friendlyName), common::ToUtf8(tuner.displayName),
                    ModulationsOf(tuner.displayName)});
  }
  broadcast::UnregisterTuners();
  return list;
}

}  // namespace cli

#include "graph/manager/TunerSignal.h"

#include <cstdio>
#include <vector>

#include "platform/bda/model/BdaInterfaces.h"
#include "platform/com/ComPtr.h"

namespace graph {
namespace {

// IBDA_SignalStatistics of the RF tuner node's control object, on the output
// side.
HRESULT Statistics(IBaseFilter* tuner, ComPtr<IBDA_SignalStatistics>* statistics) {
  if (tuner == nullptr) return E_POINTER;
  ComPtr<IBDA_Topology> topology;
  HRESULT hr = tuner->QueryInterface(IID_PPV_ARGS(&topology));
  if (FAILED(hr)) return hr;
  ULONG count = 0;
  hr = topology->GetNodeDescriptors(&count, 0, nullptr);
  std::vector<BDANODE_DESCRIPTOR> nodes(count);
  if (SUCCEEDED(hr) && count > 0) hr = topology->GetNodeDescriptors(&count, count, nodes.data());
  if (FAILED(hr)) return hr;
  for (const BDANODE_DESCRIPTOR& node : nodes) {
    if (node.guidFunction != KSNODE_BDA_RF_TUNER) continue;
    ComPtr<IUnknown> control;
    hr = topology->GetControlNode(0, 1, node.ulBdaNodeType, &control);
    if (FAILED(hr)) return hr;
    return control->QueryInterface(IID_PPV_ARGS(&*statistics));
  }
  return E_NOINTERFACE;
}

}  // namespace

HRESULT ReadSignalQuality(IBaseFilter* tuner, long* quality) {
  ComPtr<IBDA_SignalStatistics> statistics;
  HRESULT hr = Statistics(tuner, &statistics);
  LONG value = 0;
  if (SUCCEEDED(hr)) hr = statistics->get_SignalQuality(&value);
  if (FAILED(hr)) {
    std::printf("IBDA_SignalStatistics::get_SignalQuality %s\n", com::ResultName(hr).c_str());
    return hr;
  }
  *quality = value;
  return S_OK;
}

bool ReadSignalLocked(IBaseFilter* tuner) {
  ComPtr<IBDA_SignalStatistics> statistics;
  if (FAILED(Statistics(tuner, &statistics))) return false;
  BOOLEAN locked = 0;
  const HRESULT hr = statistics->get_SignalLocked(&locked);
  if (FAILED(hr)) {
    std::printf("IBDA_SignalStatistics::get_SignalLocked %s\n", com::ResultName(hr).c_str());
    return false;
  }
  return locked != 0;
}

}  // namespace graph

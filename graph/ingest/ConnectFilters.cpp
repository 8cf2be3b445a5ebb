#include "graph/ingest/ConnectFilters.h"

#include <cstdio>
#include <vector>

#include "platform/com/ComPtr.h"

namespace graph {
namespace {

// The pins of a filter in enumeration order.
HRESULT Pins(IBaseFilter* filter, std::vector<ComPtr<IPin>>& out) {
  ComPtr<IEnumPins> pins;
  HRESULT hr = filter->EnumPins(&pins);
  if (FAILED(hr)) return hr;
  if (!pins) return E_FAIL;
  for (;;) {
    ComPtr<IPin> pin;
    ULONG fetched = 0;
    if (pins->Next(1, &pin, &fetched) != S_OK || fetched != 1) break;
    out.push_back(std::move(pin));
  }
  return S_OK;
}

bool IsFree(IPin* pin, PIN_DIRECTION wanted) {
  PIN_DIRECTION direction = PINDIR_INPUT;
  if (FAILED(pin->QueryDirection(&direction))) {
    if (wanted == PINDIR_OUTPUT) std::printf("Cannot Obtain Upstream Filter's PIN_INFO\n");
    return false;
  }
  if (direction != wanted) return false;
  ComPtr<IPin> peer;
  const HRESULT hr = pin->ConnectedTo(&peer);
  if (FAILED(hr) && hr != VFW_E_NOT_CONNECTED && wanted == PINDIR_INPUT)
    std::printf("Failed in pIPinDownstream->ConnectedTo()!\n");
  return hr == VFW_E_NOT_CONNECTED;
}

}  // namespace

HRESULT ConnectFilters(IFilterGraph* graph, IBaseFilter* upstream, IBaseFilter* downstream,
                       const AM_MEDIA_TYPE* type) {
  if (graph == nullptr || upstream == nullptr || downstream == nullptr) return E_POINTER;
  std::vector<ComPtr<IPin>> outputs, inputs;
  HRESULT hr = Pins(upstream, outputs);
  if (FAILED(hr)) {
    std::printf("Cannot Enumerate Upstream Filter's Pins\n");
    return hr;
  }
  hr = Pins(downstream, inputs);
  if (FAILED(hr)) {
    std::printf("Cannot enumerate pins on downstream filter!\n");
    return hr;
  }
  for (const ComPtr<IPin>& out : outputs) {
    if (!IsFree(out.Get(), PINDIR_OUTPUT)) continue;
    for (const ComPtr<IPin>& in : inputs) {
      if (!IsFree(in.Get(), PINDIR_INPUT)) continue;
      if (SUCCEEDED(graph->ConnectDirect(out.Get(), in.Get(), type))) return S_OK;
    }
  }
  return E_FAIL;
}

}  // namespace graph

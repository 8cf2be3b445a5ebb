// Tuners and receiver components as the device enumerator lists them: the
// tuner list of the settings and of graph start, the tuner loaded from its
// display name, and the receiver components that join a tuner's chain.
#pragma once

#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/media/Interfaces.h"

namespace graph {

struct TunerInfo {
  std::u16string friendlyName;  // at most 127 characters
  std::u16string displayName;   // the moniker's display name, under 256 characters
};

// The tuners of KSCATEGORY_BDA_NETWORK_TUNER with a "FriendlyName", in the
// enumerator's order. A tuner whose display name is 256 characters or longer
// is left out with the trace "Tuner: %S, display name is too long.".
std::vector<TunerInfo> EnumerateTuners();

// Binds the tuner named by `displayName`, adds it to `graph` under its
// friendly name (returned in `friendlyName`). Failures are traced and leave
// nothing in the graph.
HRESULT LoadTuner(IFilterGraph* graph, const std::u16string& displayName,
                  std::u16string* friendlyName, ComPtr<IBaseFilter>* tuner);

// The first device of `category` that, added to `graph` under its friendly
// name, connects downstream of `upstream`. Devices that do not connect are
// removed again. Null when none does.
ComPtr<IBaseFilter> LoadFilter(IFilterGraph* graph, const GUID& category, IBaseFilter* upstream);

}  // namespace graph

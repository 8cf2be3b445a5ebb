// Joins two filters of a graph the way the graph manager does: the first
// unconnected output pin of the upstream filter that connects directly to an
// unconnected input pin of the downstream filter.
#pragma once

#include "platform/media/Interfaces.h"

namespace graph {

// Tries every unconnected output pin of `upstream` against every unconnected
// input pin of `downstream`, in pin order, with ConnectDirect through `graph`
// (with `type` when given). S_OK on the first connection; E_FAIL when none
// connects; the enumeration's error when the pins cannot be listed.
HRESULT ConnectFilters(IFilterGraph* graph, IBaseFilter* upstream, IBaseFilter* downstream,
                       const AM_MEDIA_TYPE* type = nullptr);

}  // namespace graph

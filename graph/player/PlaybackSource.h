// The source of a player graph: which filter reads a path, chosen by the
// path's extension compared exactly (".MPG" is not ".mpg"), and loading it
// into the graph with its messages.
//
// The "StreamBufferSource" comes from the stream-buffer engine; until one is
// installed with SetStreamBufferSourceMaker, paths that need it fail to load.
#pragma once

#include <functional>
#include <string>

#include "graph/manager/GraphState.h"
#include "platform/com/ComPtr.h"
#include "platform/media/Interfaces.h"

namespace graph {

enum class SourceKind { kNone, kMpeg2Source, kStreamBufferSource };

// The source for a player of `kind` reading `path`: the time-shift player
// reads ".lst" lists and ".tmp" stream-buffer stubs, the file player ".mpg"
// and ".dvr-ms" recordings; anything else has none.
SourceKind SourceFor(PlayerState kind, const std::u16string& path);

// Creates a stream-buffer source filter (null result with a failure code
// when there is no engine).
using StreamBufferSourceMaker = std::function<HRESULT(ComPtr<IBaseFilter>* filter)>;
void SetStreamBufferSourceMaker(StreamBufferSourceMaker maker);

// Creates the source of `kind`, adds it to `graph` under its name and loads
// `path`; each failure shows its message and leaves nothing in the graph.
HRESULT LoadSource(IGraphBuilder* graph, SourceKind kind, const std::u16string& path,
                   ComPtr<IBaseFilter>* source);

// Removes the source from the graph ("Can't remove ... filter" on failure).
HRESULT RemoveSource(IGraphBuilder* graph, SourceKind kind, ComPtr<IBaseFilter>& source);

}  // namespace graph

// The open-file command after its dialog: the chosen file becomes the
// playback file and the graph plays it, beside a running recording when there
// is one; when the file cannot be played, the old playback file comes back
// and the graph returns to live viewing.
#pragma once

#include <string>

#include "graph/manager/CBDAFilterGraph.h"
#include "graph/player/PlayerGraph.h"

namespace graph {

// The result of the request that plays the file (a failure also when live
// viewing came back).
HRESULT OpenPlaybackFile(CBDAFilterGraph& graph, PlayerGraph& player, std::u16string file);

}  // namespace graph

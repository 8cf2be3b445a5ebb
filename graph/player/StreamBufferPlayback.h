// Joins the player's sources to the stream-buffer engine: after this call the
// player loads ".dvr-ms" recordings and the live buffer's stub (".tmp") into
// the engine's "StreamBufferSource". Programs call it once at start-up;
// calling it again does no harm.
#pragma once

namespace graph {

void UseStreamBufferSource();

}  // namespace graph

// The player side of a graph manager: the chain that decodes and shows what
// the tuner graph buffers or a file holds. The desktop program provides it;
// without one, every player state is refused.
#pragma once

#include <string>

#include "graph/manager/GraphState.h"
#include "platform/com/ComPtr.h"
#include "platform/com/HResult.h"
#include "platform/media/Interfaces.h"

namespace graph {

class IPlayerSteps {
 public:
  virtual ~IPlayerSteps() = default;
  // Builds the player of `kind`: inside `tunerGraph` for the live player, in a
  // graph of its own reading `path` (the buffer or the playback file) else.
  virtual HRESULT Build(PlayerState kind, IFilterGraph2* tunerGraph,
                        const std::u16string& path) = 0;
  virtual HRESULT Run() = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT TearDown() = 0;
  // Moves a time-shift player to the newest position (before a tune).
  virtual HRESULT JumpToLive() = 0;
  // The player graph of a time-shift or file player (its events go to the
  // main window); null otherwise.
  virtual ComPtr<IGraphBuilder> Graph() const = 0;
};

// The answer of the player steps while no player exists.
inline constexpr HRESULT kNoPlayer = E_NOTIMPL;

}  // namespace graph

// The operations the state machine of a graph manager strings together. The
// graph manager implements them over its real graphs; tests use a fake that
// records the calls. Each returns a result code: negative is failure.
#pragma once

#include "graph/manager/GraphState.h"
#include "platform/com/HResult.h"

namespace graph {

class IGraphSteps {
 public:
  virtual ~IGraphSteps() = default;

  // Builds the tuner graph of `mode` (live or buffered). A failed build leaves
  // nothing of itself in the graph.
  virtual HRESULT BuildTunerGraph(TunerState mode) = 0;
  virtual HRESULT RunTunerGraph() = 0;
  virtual HRESULT StopTunerGraph() = 0;
  virtual void TearDownTunerGraph() = 0;

  // Builds the player of `kind`: the live player inside the tuner graph, or a
  // player graph reading the buffer path or the playback file.
  virtual HRESULT BuildPlayer(PlayerState kind) = 0;
  virtual HRESULT RunPlayer() = 0;
  virtual HRESULT StopPlayer() = 0;
  virtual HRESULT TearDownPlayer() = 0;

  // Switches the buffer sink to a recording file and back.
  virtual HRESULT StartRecording() = 0;
  virtual HRESULT StopRecording() = 0;
};

}  // namespace graph

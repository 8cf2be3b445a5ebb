// Event notification of a graph to its manager's message target. A graph
// posts its notify message to a "window" handle; here the handles are ids of
// registered targets, resolved at every post, so a post after the target has
// gone finds nothing instead of a freed object.
#pragma once

#include <cstdint>

#include <string>
#include "graph/manager/GraphMessages.h"

#include "platform/com/ComPtr.h"
#include "platform/media/Interfaces.h"

namespace graph {

class GraphNotify {
 public:
  GraphNotify() = default;
  ~GraphNotify() { Stop(); }
  GraphNotify(const GraphNotify&) = delete;
  GraphNotify& operator=(const GraphNotify&) = delete;

  // Posts the events of `graph` to `target` as `message`. "Can't query
  // IMediaEventEx interface on sink graph. Error: %s" when the graph has no
  // event interface.
  HRESULT Start(IUnknown* graph, IGraphMessageTarget* target, WindowMessage message,
                std::string* error);
  // Detaches the graph's notification; later posts reach nobody.
  void Stop();

 private:
  ComPtr<IMediaEventEx> events_;
  std::uintptr_t id_ = 0;
};

}  // namespace graph

// The main window behind the graph managers' message interface: messages are
// posted to the window by its id (a window that is gone drops them), errors
// are handed to the user-interface thread's box. Neither waits for that
// thread.
#pragma once

#include "graph/manager/GraphMessages.h"
#include "platform/ui/Message.h"

namespace dvr {

class GraphTarget final : public graph::IGraphMessageTarget {
 public:
  explicit GraphTarget(ui::WindowId window) : window_(window) {}
  void Post(graph::WindowMessage message, std::uint32_t parameter) override;
  void ShowError(const std::string& text) override;

 private:
  ui::WindowId window_;
};

}  // namespace dvr

// The main window behind the graph managers' message interface: messages are
// posted to the window by its id (a window that is gone drops them), errors
// are handed to the user-interface thread's box. Neither waits for that
// thread. While the "Channels" dialog is open, the tunes it waits for
// (WM_CHANNEL_CHANGED) go to it instead.
#pragma once

#include <atomic>

#include "graph/manager/GraphMessages.h"
#include "platform/ui/Message.h"

namespace dvr {

class GraphTarget final : public graph::IGraphMessageTarget {
 public:
  explicit GraphTarget(ui::WindowId window) : window_(window) {}
  void Post(graph::WindowMessage message, std::uint32_t parameter) override;
  void ShowError(const std::string& text) override;

  // Any thread: where WM_CHANNEL_CHANGED goes; kNoWindow: the main window.
  void SetChannelsWindow(ui::WindowId window) { channelsWindow_.store(window); }

 private:
  ui::WindowId window_;
  std::atomic<ui::WindowId> channelsWindow_{ui::kNoWindow};
};

}  // namespace dvr

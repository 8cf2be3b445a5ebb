// What a graph manager tells the windows around it. The manager runs without
// a window (tools, tests); the desktop program puts its main window and the
// "Channels" dialog behind this interface. Calls come from the graph thread
// or the thread that changed state; a target hands them to its own thread
// and never blocks the caller.
#pragma once

#include <cstdint>
#include <string>

namespace graph {

enum class WindowMessage : std::uint32_t {
  WM_CHANNEL_CHANGED = 1027,     // to the "Channels" dialog: the physical channel tuned
  WM_PLAYER_GRAPH_EVENT = 1037,  // to the main window: an event of the player graph
  WM_VIDEO_RESIZED = 1038,       // to the main window: lay the video out again
  WM_TUNER_GRAPH_EVENT = 1039,   // to the main window: an event of the tuner graph
};

class IGraphMessageTarget {
 public:
  virtual ~IGraphMessageTarget() = default;
  virtual void Post(WindowMessage message, std::uint32_t parameter) = 0;
  // A failure the user must see, shown after the state change is over.
  virtual void ShowError(const std::string& text) = 0;
};

}  // namespace graph

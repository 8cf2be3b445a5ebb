// The players of the program's graph managers and the main window's video
// area they show the picture in.
//
// One video widget sits in the frame's video area; both renderer kinds of this
// system draw on it (the windowless kind on it as its video window, the
// windowed kind on it as its own window). Frames reach it through its surface's
// latest-frame slot, so streaming threads never wait for the user-interface
// thread.
//
// A player is made for each graph manager before the manager, with the
// options the settings give, and goes after it: the manager takes its player
// down on this thread when it goes.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "app/TunerManager.h"
#include "graph/manager/CBDAFilterGraph.h"
#include "graph/player/GraphEvents.h"
#include "graph/player/PlayerGraph.h"
#include "platform/av/video/VideoSurface.h"
#include "platform/ui/Frame.h"

namespace dvr {

// The renderer kind a player uses for the settings' choice. This system has
// the windowed (5) and the windowless (6) mixing renderer; a choice of
// another platform's renderer shows the picture on the windowless one, which
// also draws captions.
std::uint32_t RendererKindHere(std::uint32_t chosen);

class Players final : private graph::IGraphEventActions {
 public:
  // `refreshControls` brings the window's controls up to date.
  Players(const app::TunerManager& manager, std::function<void()> refreshControls);
  ~Players() override;
  Players(const Players&) = delete;
  Players& operator=(const Players&) = delete;

  // Puts the video widget into the frame's video area.
  void AttachVideoArea(ui::Frame& frame);
  // A player for the next graph manager, with the options of the settings now.
  graph::PlayerGraph* Add();
  // After the graph managers are gone.
  void Clear();
  // The players take the settings as they are now (the next build uses them).
  void RefreshOptions();

  // The graph's player shows a picture (states 1 to 3).
  static bool Showing(const graph::CBDAFilterGraph* graph);
  // The notify messages of the current graph (`index` in the order of Add).
  void OnPlayerGraphEvent(std::size_t index);
  void OnTunerGraphEvent(graph::CBDAFilterGraph& graph, std::size_t index);
  void OnVideoResized(std::size_t index);
  // The player of the graph at `index` (in the order of Add); null when none.
  graph::PlayerGraph* At(std::size_t index) const;

 private:
  // graph::IGraphEventActions
  void Trace(const std::string& line) override;
  void RefreshControls() override;
  void LayOutVideo() override;

  graph::PlayerOptions Options() const;

  const app::TunerManager& manager_;
  std::function<void()> refreshControls_;
  graph::VideoWindowState window_;
  ui::Frame* frame_ = nullptr;
  std::shared_ptr<av::video::VideoSurface> area_;
  std::vector<std::unique_ptr<graph::PlayerGraph>> players_;
  graph::PlayerGraph* handling_ = nullptr;  // the player whose events are handled
};

}  // namespace dvr

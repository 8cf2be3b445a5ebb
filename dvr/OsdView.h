// The on-screen display drawn over the video area: the banner, the
// description box, the playback bar and the volume bar of the command
// router's state, with the texts of the current graph.
#pragma once

#include "app/Settings.h"
#include "app/commands/CommandRouter.h"
#include "dvr/CommandViewing.h"
#include "platform/ui/Overlay.h"

namespace dvr {

class OsdView {
 public:
  explicit OsdView(ui::WindowId owner) : overlay_(owner) {}

  // Draws what the router shows now into `video` (client coordinates).
  void Refresh(const app::commands::CommandRouter& router, IGraphSource& graphs,
               const app::Settings& settings, const ui::Rect& video, int clientWidth);

 private:
  ui::Overlay overlay_;
};

}  // namespace dvr

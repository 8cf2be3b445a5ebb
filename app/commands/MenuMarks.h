// Which menu items carry a check mark and which can be chosen, for the state
// the window is in. The menu bar and the video area's popup menu hold the
// same commands and take their marks from here, so the two always agree.
#pragma once

#include <cstdint>
#include <vector>

#include "app/Settings.h"
#include "app/commands/CommandIds.h"

namespace app::commands {

struct MenuMark {
  CommandId command = 0;
  bool checked = false;
  bool enabled = true;
};

// `rendererKind` is the kind of renderer the player uses (captions need one
// with a caption input); `aspectMode` the video's current aspect mode.
std::vector<MenuMark> MenuMarks(const Settings& settings, std::uint32_t rendererKind,
                                int aspectMode);

}  // namespace app::commands

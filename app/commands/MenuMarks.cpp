#include "app/commands/MenuMarks.h"

namespace app::commands {

std::vector<MenuMark> MenuMarks(const Settings& settings, std::uint32_t rendererKind,
                                int aspectMode) {
  const std::uint32_t flags = settings.viewFlags;
  const bool captionsDrawn = rendererKind == 6 || rendererKind == 7;
  std::vector<MenuMark> marks = {
      {kMenuToggle, (flags & app::kMenuVisible) != 0, true},
      {kControlPanelToggle, (flags & app::kControlPanelVisible) != 0, true},
      {kAlwaysOnTop, (flags & app::kAlwaysOnTop) != 0, true},
      {kCaptionsToggle, (flags & app::kCaptionsOn) != 0, captionsDrawn},
  };
  for (const AspectItem& item : kAspectItems)
    marks.push_back({item.command, item.mode == aspectMode, true});
  return marks;
}

}  // namespace app::commands

// The main window's menu bar and the buttons of its control panel.
#pragma once

#include <vector>

#include "app/commands/MenuMarks.h"
#include "platform/ui/ButtonBar.h"
#include "platform/ui/Menu.h"

namespace dvr {

// The commands of the menu bar; the video area's popup menu holds the same.
void BuildMainMenu(ui::Menu& menu);
void ApplyMarks(ui::Menu& menu, const std::vector<app::commands::MenuMark>& marks);
std::vector<ui::BarButton> ControlPanelButtons();

}  // namespace dvr

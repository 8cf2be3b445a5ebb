// The main window's menu bar and the buttons of its control panel.
#pragma once

#include <vector>

#include "platform/ui/ButtonBar.h"
#include "platform/ui/Menu.h"

namespace dvr {

void BuildMainMenu(ui::Menu& menu);
std::vector<ui::BarButton> ControlPanelButtons();

}  // namespace dvr

// The monitors as the toolkit reports them. Qt-side: only platform/ui
// includes this header.
#pragma once

namespace ui::qt {

void InstallMonitorQuery();
void RemoveMonitorQuery();

}  // namespace ui::qt

// The toolkit's menu behind a Menu, for menu bars and the tray icon.
// Qt-side: only platform/ui includes this header.
#pragma once

#include <QMenu>

#include "platform/ui/Menu.h"

namespace ui::qt {

QMenu* NativeMenu(const Menu& menu);

}  // namespace ui::qt

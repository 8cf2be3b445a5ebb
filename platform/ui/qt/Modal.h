// Modal dialogs of the program's own: shown over their owner window, task
// modal, ending with OK (1) or Cancel (2). Qt-side: only platform/ui
// includes this header.
#pragma once

#include <QDialog>

#include "platform/ui/Message.h"

namespace ui::qt {

DialogResult RunModal(QDialog& dialog, WindowId owner);

}  // namespace ui::qt

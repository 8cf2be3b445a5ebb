// Key events of the toolkit as the program's key presses and media-key
// commands. Qt-side: only platform/ui includes this header.
#pragma once

#include <QKeyEvent>
#include <optional>

#include "platform/ui/Accelerators.h"

namespace ui::qt {

KeyPress KeyPressOf(const QKeyEvent& event);
std::optional<AppCommand> AppCommandOf(int qtKey);

}  // namespace ui::qt

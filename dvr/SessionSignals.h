// SIGTERM and SIGHUP as the end of the desktop session: each asks the main
// window whether the session may end (WM_QUERYENDSESSION), by the rules that
// hold while a recording runs. A second signal after a refusal ends the
// program anyway, so a service manager's stop is never ignored for ever.
#pragma once

#include "platform/ui/Message.h"

namespace dvr {

// Blocks the signals in the calling thread and every thread it starts later;
// call first thing in main.
void BlockSessionSignals();

// Starts the thread that waits for the signals and posts to `window`.
void WatchSessionSignals(ui::WindowId window);

}  // namespace dvr

// Windows as message receivers. A window lives on the user-interface thread
// and handles the messages of Message.h there; other threads reach it only
// by posting to its id, which never waits for the user-interface thread.
#pragma once

#include "platform/ui/Message.h"

namespace ui {

class Window {
 public:
  // Created on the user-interface thread, after the Application (without
  // one the window has no id and receives nothing).
  Window();
  // Kills the window's timers; messages still on their way to it are dropped.
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  WindowId Id() const { return id_; }

  virtual LResult OnMessage(Message message, WParam wParam, LParam lParam) = 0;

 private:
  WindowId id_;
};

// Any thread: queues the message for the window. The user-interface thread
// delivers posted messages in the order they were posted and resolves the id
// only then. False when no Application runs.
bool Post(WindowId window, Message message, WParam wParam = 0, LParam lParam = 0);

// User-interface thread only: hands the message to the window at once and
// returns its answer. 0 for an unknown window, and from any other thread
// (which must post instead: the user-interface thread may be waiting for it).
LResult Send(WindowId window, Message message, WParam wParam = 0, LParam lParam = 0);

// User-interface thread: (re)starts the window's timer `timerId`, which then
// sends WM_TIMER with wParam `timerId` every `milliseconds`. False for an
// unknown window.
bool SetTimer(WindowId window, unsigned timerId, int milliseconds);
// Stops the timer; false when it did not run.
bool KillTimer(WindowId window, unsigned timerId);

}  // namespace ui

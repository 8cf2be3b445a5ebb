// Message boxes, the "Error!" box among them. A box is modal and shown on the
// user-interface thread; a box raised on another thread is handed over to it
// and the raising thread goes on at once.
#pragma once

#include <functional>
#include <string>

#include "common/ErrorBox.h"
#include "platform/ui/Message.h"

namespace ui {

enum class BoxIcon { Warning, Information, Question };
enum class BoxButtons { Ok, OkCancel, YesNo };

struct BoxRequest {
  std::string caption;
  std::string text;
  BoxIcon icon = BoxIcon::Warning;
  BoxButtons buttons = BoxButtons::Ok;
};

// User-interface thread: shows the box over the owner window and returns the
// button chosen (Cancel when the box is closed otherwise).
DialogResult ShowMessageBox(const BoxRequest& request);

// Any thread: the box is shown on the user-interface thread once its loop
// runs; the caller does not wait for it.
void PostMessageBox(BoxRequest request);

// The sink of common::ErrorBox and common::MessageBox while an Application
// lives: a warning box, at once on the user-interface thread, handed over
// from any other.
common::ErrorSink MessageBoxSink();

// The window boxes are shown over (the main window once it exists).
void SetBoxOwner(WindowId owner);

// For tests: while set, a box goes to the hook (on the user-interface thread)
// instead of the screen, and the hook's answer is the button chosen.
using BoxHook = std::function<DialogResult(const BoxRequest&)>;
BoxHook SetMessageBoxHook(BoxHook hook);

}  // namespace ui

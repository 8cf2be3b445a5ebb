// The main window's frame as the commands change it: its show mode (normal,
// maximised, minimised, full screen), the menu bar, staying on top, the
// client area and its size, and the mouse reported as messages.
#pragma once

#include "platform/ui/Message.h"
#include "platform/ui/Screen.h"

namespace ui {

enum class ShowMode { kNormal, kMaximised, kMinimised, kFullScreen };

// User-interface thread; each acts on the top-level widget of the window and
// does nothing for a window without one.
// ShowInMode: `rect` is the outer rectangle for kNormal, menu bar included
// (so leaving full screen gives back the very rectangle the window had), and
// the monitor's for kFullScreen (the window goes to that monitor's origin);
// an empty one keeps the window where it is. `menuBar` shows or hides the
// menu bar within that rectangle.
void ShowInMode(WindowId window, ShowMode mode, const Rect& rect, bool menuBar);
bool IsMaximised(WindowId window);
// Shows or hides the menu bar; the client area keeps its size.
void SetMenuBarVisible(WindowId window, bool visible);
void SetAlwaysOnTop(WindowId window, bool onTop);
// The client area below the menu bar, in client coordinates.
Rect ClientArea(WindowId window);
// Resizes the window so that its client area below the menu has this size.
void SetClientSize(WindowId window, Size size);
// Sets the frame's smallest size for a client area of `client`.
void SetMinimumClientSize(WindowId window, Size client);

// From now on the window receives WM_MOUSEWHEEL, WM_LBUTTONDBLCLK,
// WM_MOUSEMOVE and WM_SIZE (also when it moves), and WM_CONTEXTMENU with the
// point on the screen for a right press; a left press outside full screen
// moves the window, as a press on its caption does; a pointer that rests is
// hidden until it moves again. Presses on the menu bar and on buttons stay
// theirs.
void ForwardMouse(WindowId window);

}  // namespace ui

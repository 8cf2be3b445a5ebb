#include "platform/ui/Window.h"

#include <cstdio>

#include "platform/ui/Application.h"
#include "platform/ui/qt/Dispatcher.h"

namespace ui {

Window::Window() {
  qt::Dispatcher* d = qt::Dispatcher::Instance();
  id_ = d ? d->Register(this) : kNoWindow;
}

Window::~Window() {
  if (qt::Dispatcher* d = qt::Dispatcher::Instance()) d->Unregister(id_);
}

bool Post(WindowId window, Message message, WParam wParam, LParam lParam) {
  qt::Dispatcher* d = qt::Dispatcher::Instance();
  if (!d) return false;
  d->PostToWindow(window, message, wParam, lParam);
  return true;
}

LResult Send(WindowId window, Message message, WParam wParam, LParam lParam) {
  qt::Dispatcher* d = qt::Dispatcher::Instance();
  if (!d) return 0;
  if (!Application::IsUiThread()) {
    std::printf("Send of message %u from another thread refused\n", static_cast<unsigned>(message));
    return 0;
  }
  Window* target = d->Find(window);
  return target ? target->OnMessage(message, wParam, lParam) : 0;
}

bool SetTimer(WindowId window, unsigned timerId, int milliseconds) {
  qt::Dispatcher* d = qt::Dispatcher::Instance();
  return d && Application::IsUiThread() && d->SetTimer(window, timerId, milliseconds);
}

bool KillTimer(WindowId window, unsigned timerId) {
  qt::Dispatcher* d = qt::Dispatcher::Instance();
  return d && Application::IsUiThread() && d->KillTimer(window, timerId);
}

}  // namespace ui

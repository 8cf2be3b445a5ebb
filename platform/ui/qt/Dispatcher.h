// The user-interface thread's side of windows: the registry that resolves
// window ids, the delivery of posted messages and the timers. Qt-side: only
// platform/ui includes this header.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <map>
#include <unordered_map>
#include <utility>

#include "platform/ui/Window.h"

namespace ui::qt {

class Dispatcher : public QObject {
 public:
  // Null before the Application exists and after it ends.
  static Dispatcher* Instance();

  Dispatcher();
  ~Dispatcher() override;

  WindowId Register(Window* window);
  void Unregister(WindowId id);
  Window* Find(WindowId id) const;

  // The widget that shows a window (for owners of boxes, menus and key input).
  void AttachWidget(WindowId id, QWidget* widget);
  QWidget* WidgetOf(WindowId id) const;
  // The window whose widget is `widget` or one of its ancestors in the same
  // top-level window.
  WindowId WindowOfWidget(const QWidget* widget) const;

  // Any thread.
  void PostToWindow(WindowId id, Message message, WParam wParam, LParam lParam);

  bool SetTimer(WindowId id, unsigned timerId, int milliseconds);
  bool KillTimer(WindowId id, unsigned timerId);

 protected:
  void customEvent(QEvent* event) override;

 private:
  struct Entry {
    Window* window = nullptr;
    QPointer<QWidget> widget;
  };
  std::unordered_map<WindowId, Entry> windows_;
  std::map<std::pair<WindowId, unsigned>, QTimer*> timers_;
};

// Gives a window the widget that shows it (views call this once they exist).
inline void AttachWidget(WindowId id, QWidget* widget) {
  if (Dispatcher* d = Dispatcher::Instance()) d->AttachWidget(id, widget);
}

// The widget of a window, or null (any window may have none).
inline QWidget* WidgetOf(WindowId id) {
  Dispatcher* d = Dispatcher::Instance();
  return d ? d->WidgetOf(id) : nullptr;
}

}  // namespace ui::qt

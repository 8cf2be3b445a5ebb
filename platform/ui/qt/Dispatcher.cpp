#include "platform/ui/qt/Dispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <atomic>

namespace ui::qt {
namespace {

std::atomic<Dispatcher*> gInstance{nullptr};
std::atomic<WindowId> gNextId{1};

// A timer may be stopped from its own WM_TIMER: it is deleted once control
// is back in the loop.
void StopAndDelete(QTimer* timer) {
  timer->stop();
  timer->deleteLater();
}

const QEvent::Type kPostedType = static_cast<QEvent::Type>(QEvent::registerEventType());

// One posted message; Qt's event queue keeps them in posting order and
// delivers them in nested loops (modal boxes) too.
class PostedEvent : public QEvent {
 public:
  PostedEvent(WindowId window, Message message, WParam wParam, LParam lParam)
      : QEvent(kPostedType), window_(window), message_(message), wParam_(wParam), lParam_(lParam) {}
  WindowId window_;
  Message message_;
  WParam wParam_;
  LParam lParam_;
};

}  // namespace

Dispatcher* Dispatcher::Instance() {
  return gInstance.load();
}

Dispatcher::Dispatcher() {
  gInstance.store(this);
}

Dispatcher::~Dispatcher() {
  gInstance.store(nullptr);
}

WindowId Dispatcher::Register(Window* window) {
  const WindowId id = gNextId.fetch_add(1);
  windows_[id].window = window;
  return id;
}

void Dispatcher::Unregister(WindowId id) {
  windows_.erase(id);
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first == id) {
      StopAndDelete(it->second);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

Window* Dispatcher::Find(WindowId id) const {
  const auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : it->second.window;
}

void Dispatcher::AttachWidget(WindowId id, QWidget* widget) {
  if (const auto it = windows_.find(id); it != windows_.end()) it->second.widget = widget;
}

QWidget* Dispatcher::WidgetOf(WindowId id) const {
  const auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : it->second.widget.data();
}

WindowId Dispatcher::WindowOfWidget(const QWidget* widget) const {
  // Up to the widget's own top-level window: a dialog owned by a window is
  // not part of it.
  for (; widget; widget = widget->isWindow() ? nullptr : widget->parentWidget()) {
    for (const auto& [id, entry] : windows_) {
      if (entry.widget == widget) return id;
    }
  }
  return kNoWindow;
}

void Dispatcher::PostToWindow(WindowId id, Message message, WParam wParam, LParam lParam) {
  QCoreApplication::postEvent(this, new PostedEvent(id, message, wParam, lParam));
}

void Dispatcher::customEvent(QEvent* event) {
  if (event->type() != kPostedType) return;
  const auto* posted = static_cast<PostedEvent*>(event);
  if (Window* window = Find(posted->window_)) {
    window->OnMessage(posted->message_, posted->wParam_, posted->lParam_);
  }
}

bool Dispatcher::SetTimer(WindowId id, unsigned timerId, int milliseconds) {
  if (!Find(id)) return false;
  QTimer*& timer = timers_[{id, timerId}];
  if (timer) {
    timer->start(milliseconds);
    return true;
  }
  timer = new QTimer(this);
  QObject::connect(timer, &QTimer::timeout, this, [this, id, timerId] {
    if (Window* window = Find(id)) window->OnMessage(Message::WM_TIMER, timerId, 0);
  });
  timer->start(milliseconds);
  return true;
}

bool Dispatcher::KillTimer(WindowId id, unsigned timerId) {
  const auto it = timers_.find({id, timerId});
  if (it == timers_.end()) return false;
  StopAndDelete(it->second);
  timers_.erase(it);
  return true;
}

}  // namespace ui::qt

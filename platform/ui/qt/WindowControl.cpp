#include "platform/ui/WindowControl.h"

#include <QCoreApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <set>

#include "platform/ui/Window.h"
#include "platform/ui/qt/Dispatcher.h"

namespace ui {
namespace {

constexpr int kPointerRestMilliseconds = 3000;

QWidget* TopOf(WindowId window) {
  QWidget* w = qt::WidgetOf(window);
  return w ? w->window() : nullptr;
}

QMenuBar* MenuBarOf(QWidget* top) {
  return top ? top->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

int MenuHeight(QWidget* top) {
  QMenuBar* bar = MenuBarOf(top);
  return bar && bar->isVisible() ? bar->height() : 0;
}

// Turns the mouse over registered windows into their messages.
class MouseFilter : public QObject {
 public:
  static MouseFilter& Instance() {
    static QPointer<MouseFilter> filter;
    if (!filter) {
      filter = new MouseFilter(QCoreApplication::instance());
      QCoreApplication::instance()->installEventFilter(filter);
    }
    return *filter;
  }

  explicit MouseFilter(QObject* parent) : QObject(parent) {
    rest_.setSingleShot(true);
    rest_.setInterval(kPointerRestMilliseconds);
    connect(&rest_, &QTimer::timeout, this, [this] {
      if (QWidget* top = TopOf(restWindow_)) top->setCursor(Qt::BlankCursor);
    });
  }

  std::set<WindowId> windows;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (!object->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(object);
    qt::Dispatcher* d = qt::Dispatcher::Instance();
    if (!d) return false;
    const WindowId window = d->WindowOfWidget(widget);
    if (!windows.contains(window)) return false;
    QWidget* top = widget->window();
    switch (event->type()) {
      case QEvent::Wheel: {
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if (delta != 0) Post(window, Message::WM_MOUSEWHEEL, static_cast<WParam>(delta));
        return true;
      }
      case QEvent::MouseButtonDblClick: {
        const QPoint p =
            top->mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition()).toPoint();
        Post(window, Message::WM_LBUTTONDBLCLK, 0, MousePoint(p.x(), p.y()));
        return true;
      }
      case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (qobject_cast<QMenuBar*>(widget) || widget->inherits("QAbstractButton")) return false;
        if (mouse->button() == Qt::RightButton) {
          const QPoint screen = mouse->globalPosition().toPoint();
          Post(window, Message::WM_CONTEXTMENU, 0, MousePoint(screen.x(), screen.y()));
          // Not taken: a surface over the video area (the guide's) has its
          // own use for the press.
          return false;
        }
        if (mouse->button() != Qt::LeftButton || top->isFullScreen()) return false;
        if (QWindow* handle = top->windowHandle()) handle->startSystemMove();
        return false;
      }
      case QEvent::MouseMove: {
        const QPoint p =
            top->mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition()).toPoint();
        if (p == last_) return false;
        last_ = p;
        top->unsetCursor();
        restWindow_ = window;
        rest_.start();
        Post(window, Message::WM_MOUSEMOVE, 0, MousePoint(p.x(), p.y()));
        return false;
      }
      case QEvent::Resize:
      case QEvent::Move:
      case QEvent::WindowStateChange:
        if (widget == top) Post(window, Message::WM_SIZE, SizeKind(top));
        return false;
      default:
        return false;
    }
  }

 private:
  static WParam SizeKind(QWidget* top) {
    if (top->isMinimized()) return kSizeMinimised;
    if (top->isMaximized()) return kSizeMaximised;
    return kSizeRestored;
  }

  QTimer rest_;
  WindowId restWindow_ = kNoWindow;
  QPoint last_;
};

}  // namespace

void ShowInMode(WindowId window, ShowMode mode, const Rect& rect, bool menuBar) {
  QWidget* top = TopOf(window);
  if (!top) return;
  // The menu bar changes before the rectangle is applied and without a
  // resize of its own: the rectangle already holds it. (Shown after the
  // rectangle, it grew the window by its height at every return from full
  // screen.)
  if (QMenuBar* bar = MenuBarOf(top)) bar->setVisible(menuBar);
  const bool placed = rect.Width() > 0 && rect.Height() > 0;
  switch (mode) {
    case ShowMode::kNormal:
      top->showNormal();
      if (placed) top->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
      break;
    case ShowMode::kMaximised:
      top->showMaximized();
      break;
    case ShowMode::kMinimised:
      top->showMinimized();
      break;
    case ShowMode::kFullScreen:
      // Onto the monitor first: the window system makes the window cover the
      // monitor it is on, and without a window manager nothing else moves it.
      if (placed) top->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
      top->showFullScreen();
      break;
  }
}

bool IsMaximised(WindowId window) {
  QWidget* top = TopOf(window);
  return top && top->isMaximized();
}

void SetMenuBarVisible(WindowId window, bool visible) {
  QWidget* top = TopOf(window);
  QMenuBar* bar = MenuBarOf(top);
  if (!bar || bar->isVisible() == visible) return;
  const QSize client(top->width(), top->height() - MenuHeight(top));
  bar->setVisible(visible);
  if (!top->isMaximized() && !top->isFullScreen()) {
    top->resize(client.width(), client.height() + (visible ? bar->sizeHint().height() : 0));
  }
}

void SetAlwaysOnTop(WindowId window, bool onTop) {
  QWidget* top = TopOf(window);
  if (!top || top->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
  const bool shown = top->isVisible();
  top->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  if (shown) top->show();
}

Rect ClientArea(WindowId window) {
  QWidget* top = TopOf(window);
  if (!top) return {};
  return {0, MenuHeight(top), top->width(), top->height()};
}

void SetClientSize(WindowId window, Size size) {
  QWidget* top = TopOf(window);
  if (!top) return;
  if (top->isMaximized() || top->isFullScreen()) top->showNormal();
  top->resize(size.width, size.height + MenuHeight(top));
}

void SetMinimumClientSize(WindowId window, Size client) {
  if (QWidget* top = TopOf(window))
    top->setMinimumSize(client.width, client.height + MenuHeight(top));
}

void ForwardMouse(WindowId window) {
  MouseFilter::Instance().windows.insert(window);
  if (QWidget* top = TopOf(window)) {
    top->setMouseTracking(true);
    for (QWidget* child : top->findChildren<QWidget*>())
      child->setMouseTracking(true);
  }
}

}  // namespace ui

#include "platform/ui/GlassOverlay.h"

#include <QEvent>
#include <QLinearGradient>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include "platform/ui/Window.h"
#include "platform/ui/qt/Dispatcher.h"

namespace ui {
namespace {

constexpr int kMargin = 4;

QRect ToQt(const Rect& r) {
  return QRect(r.left, r.top, r.Width(), r.Height());
}

void DrawGlass(QPainter& painter, const GlassLabel& label) {
  const QRect rect = ToQt(label.rect).adjusted(1, 1, -1, -1);
  if (rect.width() <= 0 || rect.height() <= 0) return;
  const bool olive = (label.style & kGlassOlive) != 0;
  QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
  gradient.setColorAt(0, olive ? QColor(170, 170, 70) : QColor(70, 110, 200));
  gradient.setColorAt(0.5, olive ? QColor(120, 120, 30) : QColor(30, 60, 150));
  gradient.setColorAt(1, olive ? QColor(90, 90, 20) : QColor(15, 35, 100));
  painter.setPen(QColor(200, 210, 240, 160));
  painter.setBrush(gradient);
  painter.drawRoundedRect(rect, 4, 4);
  QString text = QString::fromUtf8(label.text.data(), static_cast<qsizetype>(label.text.size()));
  if (label.style & kGlassRecording) text.prepend("(Rec) ");
  painter.setPen(Qt::white);
  const QRect inner = rect.adjusted(kMargin, 1, -kMargin, -1);
  const bool lines = text.contains('\n');
  painter.drawText(
      inner, (lines ? Qt::AlignTop | Qt::TextWordWrap : Qt::AlignVCenter) | Qt::AlignLeft, text);
}

// The guide's surface: covers the frame's video area (below the menu bar),
// draws the panes and reports the mouse.
class GlassWidget : public QWidget {
 public:
  GlassWidget(QWidget* frame, WindowId events) : QWidget(frame), events_(events) {
    setFocusPolicy(Qt::NoFocus);
    frame->installEventFilter(this);
    Follow();
  }

  std::vector<GlassPane> panes;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (object == parent() && event->type() == QEvent::Resize) Follow();
    return false;
  }

  void resizeEvent(QResizeEvent*) override {
    Post(events_, Message::WM_SIZE, 0, MousePoint(width(), height()));
  }

  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(20, 24, 36));
    QFont font = painter.font();
    font.setPixelSize(std::max(10, height() / 36));
    painter.setFont(font);
    for (const GlassPane& pane : panes) {
      painter.save();
      painter.setClipRect(ToQt(pane.rect));
      painter.translate(pane.rect.left, pane.rect.top);
      for (const GlassLabel& label : pane.labels)
        DrawGlass(painter, label);
      painter.restore();
    }
  }

  void mousePressEvent(QMouseEvent* event) override {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
      Post(events_, Message::WM_LBUTTONDOWN, 0, MousePoint(p.x(), p.y()));
    } else if (event->button() == Qt::RightButton) {
      Post(events_, Message::WM_RBUTTONDOWN, 0, MousePoint(p.x(), p.y()));
      const QPoint screen = event->globalPosition().toPoint();
      Post(events_, Message::WM_CONTEXTMENU, 0, MousePoint(screen.x(), screen.y()));
    }
  }

  void mouseDoubleClickEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    Post(events_, Message::WM_LBUTTONDBLCLK, 0, MousePoint(p.x(), p.y()));
  }

 private:
  void Follow() {
    auto* frame = static_cast<QWidget*>(parent());
    const auto* bar = frame->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    const int top = bar && bar->isVisible() ? bar->geometry().bottom() + 1 : 0;
    setGeometry(0, top, frame->width(), frame->height() - top);
  }

  WindowId events_;
};

}  // namespace

struct GlassOverlay::Impl {
  QPointer<GlassWidget> widget;
};

GlassOverlay::GlassOverlay(WindowId frameOwner, WindowId events) : impl_(std::make_unique<Impl>()) {
  if (QWidget* frame = qt::WidgetOf(frameOwner)) {
    impl_->widget = new GlassWidget(frame, events);
    impl_->widget->hide();
  }
}

GlassOverlay::~GlassOverlay() {
  delete impl_->widget.data();
}

void GlassOverlay::SetPanes(std::vector<GlassPane> panes) {
  if (!impl_->widget) return;
  impl_->widget->panes = std::move(panes);
  impl_->widget->update();
}

void GlassOverlay::Show() {
  if (!impl_->widget) return;
  impl_->widget->show();
  impl_->widget->raise();
}

void GlassOverlay::Hide() {
  if (impl_->widget) impl_->widget->hide();
}

Size GlassOverlay::ClientSize() const {
  return impl_->widget ? Size{impl_->widget->width(), impl_->widget->height()} : Size{};
}

}  // namespace ui

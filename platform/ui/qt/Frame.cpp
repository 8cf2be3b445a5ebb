#include "platform/ui/Frame.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <QWidget>

#include "platform/ui/Window.h"
#include "platform/ui/qt/Dispatcher.h"
#include "platform/ui/qt/NativeMenu.h"

namespace ui {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The top-level widget: closing it is a message to the owner.
class FrameWidget : public QWidget {
 public:
  explicit FrameWidget(WindowId owner) : owner_(owner) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    Post(owner_, Message::WM_CLOSE);
  }

 private:
  WindowId owner_;
};

// The black video area: the video widget and the status text are its
// children; the status text fills it, and its size changes go to the owner.
class VideoAreaWidget : public QWidget {
 public:
  VideoAreaWidget(WindowId owner, QWidget* parent) : QWidget(parent), owner_(owner) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    status_ = new QLabel(this);
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(true);
    status_->setStyleSheet("QLabel { color: white; font-size: 16px; }");
  }

  QLabel* Status() const { return status_; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    status_->setGeometry(rect());
    QWidget::resizeEvent(event);
    Post(owner_, Message::WM_VIDEO_RESIZED);
  }

 private:
  WindowId owner_;
  QLabel* status_ = nullptr;
};

}  // namespace

struct Frame::Impl {
  explicit Impl(WindowId owner) : widget(owner) {}
  FrameWidget widget;
  QMenuBar* menuBar = nullptr;
  VideoAreaWidget* area = nullptr;
};

Frame::Frame(WindowId owner, std::string_view title) : impl_(std::make_unique<Impl>(owner)) {
  QWidget& w = impl_->widget;
  w.setWindowTitle(Text(title));
  auto* layout = new QVBoxLayout(&w);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  impl_->menuBar = new QMenuBar(&w);
  impl_->menuBar->setVisible(false);
  layout->setMenuBar(impl_->menuBar);
  impl_->area = new VideoAreaWidget(owner, &w);
  layout->addWidget(impl_->area, 1);
  qt::AttachWidget(owner, &w);
}

Frame::~Frame() = default;

void Frame::Show() {
  impl_->widget.show();
  impl_->widget.raise();
  impl_->widget.activateWindow();
}

void Frame::Hide() {
  impl_->widget.hide();
}

bool Frame::Visible() const {
  return impl_->widget.isVisible();
}

void Frame::Place(const Rect& rect) {
  impl_->widget.setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
}

Rect Frame::Placement() const {
  const QRect g = impl_->widget.geometry();
  return {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

void Frame::SetMenuBar(Menu& menu) {
  impl_->menuBar->clear();
  impl_->menuBar->addActions(qt::NativeMenu(menu)->actions());
  impl_->menuBar->setVisible(true);
}

void Frame::SetStatus(std::string_view text) {
  QLabel* status = impl_->area->Status();
  status->setText(Text(text));
  status->setVisible(!text.empty());
  if (!text.empty()) status->raise();
}

Rect Frame::VideoArea() const {
  return {0, 0, impl_->area->width(), impl_->area->height()};
}

std::uintptr_t Frame::VideoAreaHandle() const {
  return reinterpret_cast<std::uintptr_t>(static_cast<QWidget*>(impl_->area));
}

bool Frame::Snapshot(const std::filesystem::path& file) const {
  return impl_->widget.grab().save(QString::fromStdString(file.string()), "PNG");
}

bool ShiftKeyDown() {
  return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

}  // namespace ui

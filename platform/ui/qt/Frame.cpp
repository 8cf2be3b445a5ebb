#include "platform/ui/Frame.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
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

}  // namespace

struct Frame::Impl {
  explicit Impl(WindowId owner) : widget(owner) {}
  FrameWidget widget;
  QMenuBar* menuBar = nullptr;
  QLabel* status = nullptr;
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
  // The video area: black, with the status text over it.
  impl_->status = new QLabel(&w);
  impl_->status->setAlignment(Qt::AlignCenter);
  impl_->status->setWordWrap(true);
  impl_->status->setStyleSheet("QLabel { background: black; color: white; font-size: 16px; }");
  layout->addWidget(impl_->status, 1);
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
  impl_->status->setText(Text(text));
}

bool Frame::Snapshot(const std::filesystem::path& file) const {
  return impl_->widget.grab().save(QString::fromStdString(file.string()), "PNG");
}

bool ShiftKeyDown() {
  return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

}  // namespace ui

#include "platform/ui/ButtonBar.h"

#include <QBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include "platform/ui/Window.h"
#include "platform/ui/qt/Dispatcher.h"

namespace ui {

struct ButtonBar::Impl {
  // A child of the owner's widget (or a window of its own without one); the
  // owner's widget may go first.
  QPointer<QWidget> bar;
};

ButtonBar::ButtonBar(WindowId owner, const std::vector<BarButton>& buttons)
    : impl_(std::make_unique<Impl>()) {
  QWidget* parent = qt::WidgetOf(owner);
  impl_->bar = new QWidget(parent);
  impl_->bar->setObjectName("ControlPanel");
  impl_->bar->setAttribute(Qt::WA_StyledBackground);
  impl_->bar->setStyleSheet(
      "#ControlPanel { background: #202830; border-radius: 6px; }"
      "QPushButton { color: white; background: #34404c; border: 1px solid #56626e;"
      " border-radius: 4px; padding: 2px 4px; min-width: 22px; font-size: 11px; }"
      "QPushButton:pressed { background: #1c5fa8; }");
  auto* rows = new QVBoxLayout(impl_->bar);
  rows->setContentsMargins(6, 4, 6, 4);
  rows->setSpacing(3);
  QHBoxLayout* layout = nullptr;
  for (const BarButton& b : buttons) {
    if (layout == nullptr || b.command == 0) {
      layout = new QHBoxLayout;
      layout->setSpacing(3);
      rows->addLayout(layout);
      if (b.command == 0) continue;
    }
    auto* button = new QPushButton(QString::fromStdString(b.label), impl_->bar);
    // The buttons never take the keyboard from the window's accelerators.
    button->setFocusPolicy(Qt::NoFocus);
    const std::uint16_t command = b.command;
    QObject::connect(button, &QPushButton::clicked,
                     [owner, command] { Post(owner, Message::WM_COMMAND, command); });
    layout->addWidget(button);
  }
  impl_->bar->adjustSize();
  impl_->bar->hide();
}

ButtonBar::~ButtonBar() {
  delete impl_->bar.data();
}

Size ButtonBar::PreferredSize() const {
  if (!impl_->bar) return {};
  const QSize s = impl_->bar->sizeHint();
  return {s.width(), s.height()};
}

void ButtonBar::Place(const Rect& rect) {
  if (!impl_->bar) return;
  impl_->bar->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
  impl_->bar->raise();
}

void ButtonBar::SetVisible(bool visible) {
  if (!impl_->bar) return;
  impl_->bar->setVisible(visible);
  if (visible) impl_->bar->raise();
}

bool ButtonBar::Visible() const {
  return impl_->bar && impl_->bar->isVisible();
}

}  // namespace ui

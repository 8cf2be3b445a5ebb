#include "platform/ui/Overlay.h"

#include <QFont>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include "platform/ui/qt/Dispatcher.h"

namespace ui {
namespace {

const QColor kPanelBlue(16, 48, 136);
const QColor kLevelBlue(64, 140, 255);

QString Text(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Covers the owner's widget, lets the mouse through and paints the panels.
class OverlayWidget : public QWidget {
 public:
  explicit OverlayWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
  }

  std::vector<OverlayPanel> panels;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (const OverlayPanel& panel : panels)
      Paint(p, panel);
  }

 private:
  static void Paint(QPainter& p, const OverlayPanel& panel) {
    const QRect r(panel.rect.left, panel.rect.top, panel.rect.Width(), panel.rect.Height());
    p.fillRect(r, kPanelBlue);
    QFont font("Tahoma");
    font.setPixelSize(std::max(panel.fontPixels, 6));
    p.setFont(font);
    p.setPen(Qt::white);
    const int pad = std::max(panel.fontPixels / 3, 2);
    QRect text = r.adjusted(pad, pad / 2, -pad, -pad / 2);
    if (panel.level >= 0) {
      const int barHeight = std::max(r.height() / 4, 4);
      QRect bar(text.left(), text.bottom() - barHeight, text.width(), barHeight);
      p.fillRect(bar, kPanelBlue.darker(160));
      const int max = std::max(panel.levelMax, 1);
      bar.setWidth(bar.width() * std::clamp(panel.level, 0, max) / max);
      p.fillRect(bar, kLevelBlue);
      text.setBottom(bar.top() - pad / 2);
    }
    if (panel.wrap) {
      const std::string all = panel.lines.empty() ? std::string() : panel.lines.front();
      p.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, Text(all));
      return;
    }
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.lineSpacing();
    const std::size_t rows = std::max(panel.lines.size(), panel.rightLines.size());
    for (std::size_t i = 0; i < rows; ++i) {
      const QRect line(text.left(), text.top() + static_cast<int>(i) * lineHeight, text.width(),
                       lineHeight);
      int leftWidth = text.width();
      if (i < panel.rightLines.size()) {
        const QString right = Text(panel.rightLines[i]);
        p.drawText(line, Qt::AlignRight | Qt::AlignVCenter, right);
        leftWidth -= metrics.horizontalAdvance(right) + pad;
      }
      if (i < panel.lines.size()) {
        p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                   metrics.elidedText(Text(panel.lines[i]), Qt::ElideRight, leftWidth));
      }
    }
  }
};

}  // namespace

struct Overlay::Impl {
  QPointer<OverlayWidget> widget;
};

Overlay::Overlay(WindowId owner) : impl_(std::make_unique<Impl>()) {
  impl_->widget = new OverlayWidget(qt::WidgetOf(owner));
  impl_->widget->hide();
}

Overlay::~Overlay() {
  delete impl_->widget.data();
}

void Overlay::Show(std::vector<OverlayPanel> panels) {
  OverlayWidget* w = impl_->widget;
  if (w == nullptr) return;
  w->panels = std::move(panels);
  if (w->panels.empty()) {
    w->hide();
    return;
  }
  if (QWidget* parent = w->parentWidget()) w->setGeometry(parent->rect());
  w->show();
  w->raise();
  w->update();
}

std::size_t Overlay::PanelCount() const {
  return impl_->widget ? impl_->widget->panels.size() : 0;
}

}  // namespace ui

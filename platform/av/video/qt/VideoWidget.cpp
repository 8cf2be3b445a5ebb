#include "platform/av/video/qt/VideoWidget.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QMoveEvent>
#include <QPainter>
#include <QResizeEvent>
#include <mutex>

#include "platform/av/video/FrameSink.h"

namespace av::video {
namespace {

// Posted by the surface: draw the latest frame; resize to the size asked for.
const QEvent::Type kRepaintEvent = static_cast<QEvent::Type>(QEvent::User + 0x51);
const QEvent::Type kPlaceEvent = static_cast<QEvent::Type>(QEvent::User + 0x52);

QColor ColourOf(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

}  // namespace

// The frame sink that also tells its widget to repaint. The widget pointer is
// only touched under the link lock: the widget clears it when it goes.
class CWidgetSurface final : public CFrameSink {
 public:
  explicit CWidgetSurface(CVideoWidget* widget) : widget_(widget) {}

  void Present(const VideoFrame& frame) override {
    CFrameSink::Present(frame);
    Post(kRepaintEvent);
  }
  void SetPlacement(const Placement& placement) override {
    CFrameSink::SetPlacement(placement);
    Post(kRepaintEvent);
  }
  void SetCaption(const CaptionPicture& caption) override {
    CFrameSink::SetCaption(caption);
    Post(kRepaintEvent);
  }
  void Clear() override {
    CFrameSink::Clear();
    Post(kRepaintEvent);
  }
  void Repaint() override {
    CFrameSink::Repaint();
    Post(kRepaintEvent);
  }
  void Place(const common::VideoRect& geometry) override {
    {
      std::lock_guard lock(link_);
      wanted_ = geometry;
    }
    Post(kPlaceEvent);
  }

  // On the widget's thread.
  void Detach() {
    std::lock_guard lock(link_);
    widget_ = nullptr;
  }
  void Drawn() {
    std::lock_guard lock(link_);
    repaintPending_ = false;
  }
  QRect WantedGeometry() {
    std::lock_guard lock(link_);
    return QRect(static_cast<int>(wanted_.left), static_cast<int>(wanted_.top),
                 static_cast<int>(wanted_.Width()), static_cast<int>(wanted_.Height()));
  }
  void Placed(const QRect& geometry) {
    CFrameSink::Place({geometry.left(), geometry.top(), geometry.left() + geometry.width(),
                       geometry.top() + geometry.height()});
  }

 private:
  void Post(QEvent::Type type) {
    std::lock_guard lock(link_);
    if (widget_ == nullptr) return;
    if (type == kRepaintEvent) {
      if (repaintPending_) return;  // one repaint draws whatever is latest
      repaintPending_ = true;
    }
    QCoreApplication::postEvent(widget_, new QEvent(type));
  }

  std::mutex link_;
  CVideoWidget* widget_;
  bool repaintPending_ = false;
  common::VideoRect wanted_;
};

CVideoWidget::CVideoWidget(QWidget* parent)
    : QWidget(parent), surface_(std::make_shared<CWidgetSurface>(this)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  surface_->Placed(geometry());
}

CVideoWidget::~CVideoWidget() {
  surface_->Detach();
}

std::shared_ptr<VideoSurface> CVideoWidget::Surface() const {
  return surface_;
}

bool CVideoWidget::event(QEvent* event) {
  if (event->type() == kRepaintEvent) {
    update();
    return true;
  }
  if (event->type() == kPlaceEvent) {
    setGeometry(surface_->WantedGeometry());
    return true;
  }
  return QWidget::event(event);
}

void CVideoWidget::paintEvent(QPaintEvent*) {
  surface_->Drawn();
  const Placement placement = surface_->CurrentPlacement();
  const RgbaImage picture = surface_->Picture();
  QPainter painter(this);
  painter.fillRect(rect(), ColourOf(placement.borderColour));
  if (picture.width <= 0) return;
  const common::VideoRect d = placement.destination;
  const QRect target = d.IsEmpty() ? rect() : QRect(d.left, d.top, d.Width(), d.Height());
  const QImage image(picture.pixels.data(), picture.width, picture.height, picture.width * 4,
                     QImage::Format_RGBA8888);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, image);
}

void CVideoWidget::resizeEvent(QResizeEvent* event) {
  surface_->Placed(QRect(pos(), event->size()));
  QWidget::resizeEvent(event);
}

void CVideoWidget::moveEvent(QMoveEvent* event) {
  surface_->Placed(QRect(event->pos(), size()));
  QWidget::moveEvent(event);
}

}  // namespace av::video

// CVideoWidget: the window that shows video. Its surface (Surface()) is what
// a renderer draws on: it keeps the latest frame in one slot, replacing a
// frame not yet drawn, and asks the widget for a repaint with a posted event,
// so the streaming thread never waits for the user-interface thread. The
// widget draws on that thread: the border colour, the shown part of the
// latest frame scaled into the destination rectangle, the caption layer over
// it. The surface may outlive the widget (it then only keeps frames).
//
// Publish the surface (SurfaceTable.h) to give renderers its handle.
#pragma once

#include <QWidget>
#include <memory>

#include "platform/av/video/VideoSurface.h"

namespace av::video {

class CWidgetSurface;

class CVideoWidget : public QWidget {
 public:
  explicit CVideoWidget(QWidget* parent = nullptr);
  ~CVideoWidget() override;

  std::shared_ptr<VideoSurface> Surface() const;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  std::shared_ptr<CWidgetSurface> surface_;
};

}  // namespace av::video

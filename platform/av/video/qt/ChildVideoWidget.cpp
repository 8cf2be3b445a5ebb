#include "platform/av/video/qt/ChildVideoWidget.h"

#include "platform/av/video/qt/VideoWidget.h"

namespace av::video {

std::shared_ptr<VideoSurface> MakeChildVideoWidget(std::uintptr_t parentHandle) {
  auto* parent = reinterpret_cast<QWidget*>(parentHandle);
  auto* widget = new CVideoWidget(parent);
  if (parent != nullptr) widget->setGeometry(parent->rect());
  widget->show();
  return widget->Surface();
}

}  // namespace av::video

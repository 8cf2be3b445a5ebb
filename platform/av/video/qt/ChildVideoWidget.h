// A video widget made inside a window that another part of the program owns,
// for callers that see neither Qt nor the widget: the parent is given by its
// window-system handle (a QWidget's address), the result is the widget's
// surface. The widget fills the parent until a renderer places it, goes with
// the parent, and is shown at once.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/av/video/VideoSurface.h"

namespace av::video {

// User-interface thread.
std::shared_ptr<VideoSurface> MakeChildVideoWidget(std::uintptr_t parentHandle);

}  // namespace av::video

// Window handles for video surfaces. The renderers' window calls
// (SetVideoClippingWindow, IVideoWindow's owner) take a handle; whoever makes
// a surface (the main window's video widget, a headless tool's frame sink)
// publishes it here and passes the handle. A renderer looks the handle up
// when it is given and keeps the surface alive while it draws on it.
//
// A renderer's own window (windowed mode) comes from the window maker the
// desktop installs; without one it is a headless frame sink.
#pragma once

#include <functional>
#include <memory>

#include "platform/av/video/VideoSurface.h"
#include "platform/media/Interfaces.h"

namespace av::video {

// A new handle (never 0) for the surface.
OAHWND PublishSurface(std::shared_ptr<VideoSurface> surface);
// The handle stops naming its surface; renderers that hold it keep it.
void WithdrawSurface(OAHWND handle);
// The surface of a handle, null for an unknown one.
std::shared_ptr<VideoSurface> FindSurface(OAHWND handle);

// Makes a renderer's own window as a child of `owner` (0: none).
using WindowMaker = std::function<std::shared_ptr<VideoSurface>(OAHWND owner)>;
// Installs the maker (an empty one restores the headless frame sink).
void SetWindowMaker(WindowMaker maker);
std::shared_ptr<VideoSurface> MakeRendererWindow(OAHWND owner);

}  // namespace av::video

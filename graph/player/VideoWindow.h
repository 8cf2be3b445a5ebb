// The video renderer of a player chain and the window it shows video in:
// adding the renderer of the chosen kind and connecting the video decoder to
// it, setting up its window, reading the native video format from its input,
// laying the picture out in the available area, and removing it again.
//
// Kinds on this system: 5, the "Video Mixing Renderer 9" in windowed mode (its
// own window, a child of the main window), and 6, the same renderer
// windowless with two streams, drawing on the video window ("VMR Window").
// The video window is a published video surface (platform/av/video): the
// desktop's video widget, or, for a program without a window, a frame sink of
// 500 x 280 made here. Every other kind is not available: adding it fails
// without a message (kind 0 and the renderers of another platform).
#pragma once

#include <cstdint>

#include "common/VideoLayout.h"
#include "platform/av/video/VmrInterfaces.h"
#include "platform/com/ComPtr.h"

namespace graph {

// Program-wide: one set for the program, used with the current graph.
struct VideoWindowState {
  OAHWND mainWindow = 0;   // owner of a renderer's own window
  OAHWND videoWindow = 0;  // the windowless kinds' video window; 0: made on demand
  bool madeVideoWindow = false;
  COLORREF borderColour = 0;  // black
  ComPtr<IVMRWindowlessControl9> windowless;
  common::AspectMode aspectMode = common::AspectMode::kPicture;
};

// Per graph.
struct VideoRendererSlot {
  std::uint32_t kind = 0;  // in use; 0 none
  ComPtr<IBaseFilter> renderer;
  long nativeWidth = 704;
  long nativeHeight = 480;
  common::PictureAspect aspect{16, 9};
  common::VideoRect source{0, 0, 704, 480};
  double frameRate = 0;
  bool interlaced = false;
  common::VideoRect destination;
};

// Creates the renderer of the kind, adds it to the graph, connects the
// decoder to it and sets up the window; each failure shows its message,
// removes what this call added and fails. Success records the kind and lays
// the video out in `area`.
HRESULT AddVideoRenderer(IGraphBuilder* graph, IBaseFilter* decoder, std::uint32_t kind,
                         VideoWindowState& window, VideoRendererSlot& slot,
                         const common::VideoRect& area, const common::Overscan& overscan);

// Removes the renderer and what its kind set up; the slot's kind becomes 0.
HRESULT RemoveVideoRenderer(IGraphBuilder* graph, VideoWindowState& window,
                            VideoRendererSlot& slot);

// The native size, picture aspect, source rectangle, frame rate and interlace
// flag from the connection type of the renderer's input "VMR Input0"; the
// slot keeps its values when there is none.
void ReadNativeVideoFormat(VideoRendererSlot& slot);

// Fits the picture into the area by the aspect mode, cuts the source by the
// overscan and gives both to the renderer by its kind. An empty area (a
// minimised window) changes nothing.
void LayOutVideo(const VideoWindowState& window, VideoRendererSlot& slot,
                 const common::VideoRect& area, const common::Overscan& overscan);

}  // namespace graph

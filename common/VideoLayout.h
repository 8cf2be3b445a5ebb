// Fitting a video picture into a window: the destination rectangle of the
// chosen aspect, centred in the available area, and the source rectangle cut
// by the overscan. Plain arithmetic, shared by the graph's layout of the video
// window and by renderers that letterbox inside their destination.
//
// Guarded inputs: an empty or negative area gives no layout (a minimised
// window); an aspect of 0 in either term means the picture's own shape (and,
// without a picture size, the area's); an empty source picture means nothing
// is cut; negative overscan counts as 0 and overscan never cuts the picture
// below one pixel in either direction.
#pragma once

#include <cstdint>
#include <optional>

namespace common {

struct VideoRect {
  long left = 0;
  long top = 0;
  long right = 0;
  long bottom = 0;

  long Width() const { return right - left; }
  long Height() const { return bottom - top; }
  bool IsEmpty() const { return Width() <= 0 || Height() <= 0; }
  bool operator==(const VideoRect&) const = default;
};

// The aspect mode of the main window's commands.
enum class AspectMode : int {
  kPicture = 0,      // the stream's picture aspect
  kFourThree = 1,    // 4:3
  kSixteenNine = 2,  // 16:9
  kWindow = 3,       // the area's own shape
};

struct Overscan {
  long left = 0;
  long right = 0;
  long top = 0;
  long bottom = 0;
};

struct PictureAspect {
  long x = 0;
  long y = 0;
};

// The largest rectangle of aspect x:y centred in the area: with W, H the
// area's size and a = y / x, the width stays W and the height becomes
// floor(W * a + 0.5) when H / W >= a, else the height stays H and the width
// becomes floor(H / a + 0.5); each edge moves inward by half the free space,
// truncated toward zero. An empty area or an aspect with a 0 term gives the
// area itself.
VideoRect FitAspect(const VideoRect& area, PictureAspect aspect);

// The aspect the mode asks for: the picture's (or its shape when the stream
// states none), 4:3, 16:9, or the area's own.
PictureAspect AspectFor(AspectMode mode, PictureAspect picture, long pictureWidth,
                        long pictureHeight, const VideoRect& area);

// The source rectangle: the picture (an empty one stands for 0, 0, width,
// height) less the overscan on each side.
VideoRect CutOverscan(const VideoRect& picture, long pictureWidth, long pictureHeight,
                      const Overscan& overscan);

// Frames per second from the average time per frame in 100 ns units; 0 when
// the stream states none (0 or less).
double FramesPerSecond(std::int64_t averageTimePerFrame);

struct VideoLayout {
  VideoRect destination;
  VideoRect source;
};

struct VideoLayoutInput {
  VideoRect area;  // the part of the window the video may take
  AspectMode mode = AspectMode::kPicture;
  PictureAspect picture;  // the stream's picture aspect
  long width = 0;         // the native picture size
  long height = 0;
  VideoRect source;  // the stream's source rectangle (empty: all of it)
  Overscan overscan;
};

// Both rectangles, or nothing for an empty area (the layout is skipped).
std::optional<VideoLayout> LayOutVideo(const VideoLayoutInput& input);

}  // namespace common

#include "platform/av/video/qt/VideoWidget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <memory>
#include <thread>

#include "platform/av/video/FrameSink.h"
#include "tests/av_video/TestPictures.h"
#include "tests/support/Wait.h"

namespace av::video::test {
namespace {

// One application for the binary, made before the first test and deleted
// after the last (not at exit, after Qt's own globals are gone).
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[18] = "av_video_qt_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// A white I420 picture presented from another thread, as a renderer does.
void PresentWhite(VideoSurface& surface, int width, int height) {
  const auto picture = FlatI420(width, height, 235);
  VideoFrame frame;
  frame.width = width;
  frame.height = height;
  frame.planes[0] = picture.data();
  frame.planes[1] = picture.data() + width * height;
  frame.planes[2] = frame.planes[1] + (width / 2) * (height / 2);
  frame.strides[0] = width;
  frame.strides[1] = frame.strides[2] = width / 2;
  std::thread streaming([&] { surface.Present(frame); });
  streaming.join();
}

TEST(VideoWidget, DrawsTheFrameInTheDestinationWithTheBorderAround) {
  CVideoWidget widget;
  widget.resize(200, 100);
  widget.show();
  const auto surface = widget.Surface();
  surface->SetPlacement({{}, {50, 0, 150, 100}, 0x0000FF});
  PresentWhite(*surface, 32, 16);
  QCoreApplication::processEvents();
  const QImage shown = widget.grab().toImage();
  EXPECT_EQ(shown.pixelColor(10, 50), QColor(255, 0, 0));
  EXPECT_EQ(shown.pixelColor(100, 50), QColor(255, 255, 255));
  EXPECT_EQ(shown.pixelColor(190, 50), QColor(255, 0, 0));
}

TEST(VideoWidget, TheSurfaceKnowsTheWidgetSize) {
  CVideoWidget widget;
  widget.resize(320, 240);
  widget.show();
  EXPECT_TRUE(testsupport::WaitUntil([&] {
    QCoreApplication::processEvents();
    return widget.Surface()->ClientRect() == common::VideoRect{0, 0, 320, 240};
  }));
}

TEST(VideoWidget, APlacementFromAnotherThreadMovesTheWidget) {
  QWidget window;
  window.resize(400, 300);
  auto* widget = new CVideoWidget(&window);
  window.show();
  std::thread graph([&] { widget->Surface()->Place({10, 20, 170, 110}); });
  graph.join();
  EXPECT_TRUE(testsupport::WaitUntil([&] {
    QCoreApplication::processEvents();
    return widget->geometry() == QRect(10, 20, 160, 90);
  }));
}

TEST(VideoWidget, TheSurfaceOutlivesItsWidget) {
  std::shared_ptr<VideoSurface> surface;
  {
    CVideoWidget widget;
    surface = widget.Surface();
  }
  PresentWhite(*surface, 32, 16);
  EXPECT_EQ(static_cast<CFrameSink&>(*surface).FramesPresented(), 1u);
}

}  // namespace
}  // namespace av::video::test

#include "platform/ui/GlassOverlay.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include "platform/ui/Application.h"
#include "platform/ui/Frame.h"
#include "platform/ui/Menu.h"
#include "platform/ui/qt/Dispatcher.h"
#include "tests/ui/UiTestApplication.h"

namespace {

using ui::Message;

// A press on the overlay reaches its window with the point in the overlay,
// which starts below the frame's menu bar.
TEST(GlassOverlay, APressIsReportedInTheOverlaysCoordinates) {
  uitest::RecordingWindow owner;
  uitest::RecordingWindow events;
  ui::Frame frame(owner.Id(), "Overlay");
  ui::Menu menu(owner.Id());
  menu.AddSubMenu("&File").AddItem(1, "Close");
  frame.SetMenuBar(menu);
  frame.Place({0, 0, 640, 400});
  frame.Show();
  ui::GlassOverlay overlay(owner.Id(), events.Id());
  overlay.Show();
  QWidget* window = ui::qt::WidgetOf(owner.Id());
  QWidget* surface = window->childAt(QPoint(320, 300));
  ASSERT_NE(surface, nullptr);
  const QPoint local(100, 50);
  QMouseEvent press(QEvent::MouseButtonPress, local, surface->mapToGlobal(local), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(surface, &press);
  ui::Application::Quit(0);
  uitest::RunLoop();

  const auto it = std::find_if(events.received.begin(), events.received.end(),
                               [](const auto& r) { return r.message == Message::WM_LBUTTONDOWN; });
  ASSERT_NE(it, events.received.end());
  EXPECT_EQ(ui::MouseX(it->lParam), 100);
  EXPECT_EQ(ui::MouseY(it->lParam), 50);
  EXPECT_GT(surface->y(), 0);  // below the menu bar
  EXPECT_EQ(overlay.ClientSize().height, window->height() - surface->y());
}

}  // namespace

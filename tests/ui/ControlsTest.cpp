#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QWheelEvent>

#include "platform/ui/Application.h"
#include "platform/ui/ButtonBar.h"
#include "platform/ui/Frame.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Overlay.h"
#include "platform/ui/WindowControl.h"
#include "platform/ui/qt/NativeMenu.h"
#include "tests/support/TempFolder.h"
#include "tests/ui/UiTestApplication.h"

namespace {

QPushButton* ButtonLabelled(const QString& label) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    for (QPushButton* b : top->findChildren<QPushButton*>()) {
      if (b->text() == label) return b;
    }
  }
  return nullptr;
}

TEST(ButtonBar, AClickPostsTheButtonsCommand) {
  uitest::RecordingWindow window;
  ui::ButtonBar bar(window.Id(), {{"C+", 118}, {"V-", 116}});
  EXPECT_GT(bar.PreferredSize().width, 0);
  QPushButton* volumeDown = ButtonLabelled("V-");
  ASSERT_NE(volumeDown, nullptr);
  volumeDown->click();
  ui::Application::Quit(0);
  uitest::RunLoop();
  ASSERT_EQ(window.received.size(), 1u);
  EXPECT_EQ(window.received[0].message, ui::Message::WM_COMMAND);
  EXPECT_EQ(window.received[0].wParam, 116u);
}

TEST(ForwardMouse, TheWheelReachesTheWindowWithItsSignedTurn) {
  uitest::RecordingWindow window;
  ui::Frame frame(window.Id(), "Wheel");
  ui::ForwardMouse(window.Id());
  QWidget* top = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->windowTitle() == "Wheel") top = w;
  }
  ASSERT_NE(top, nullptr);
  QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -40), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(top, &wheel);
  ui::Application::Quit(0);
  uitest::RunLoop();
  ASSERT_EQ(window.received.size(), 1u);
  EXPECT_EQ(window.received[0].message, ui::Message::WM_MOUSEWHEEL);
  EXPECT_EQ(static_cast<int>(static_cast<ui::LParam>(window.received[0].wParam)), -40);
}

TEST(ForwardMouse, ARightPressOpensThePopupMenuAtThePointer) {
  uitest::RecordingWindow window;
  ui::Frame frame(window.Id(), "Popup");
  ui::Menu popup(window.Id());
  popup.AddItem(40124, "Toggle Fullscreen");
  ui::ForwardMouse(window.Id());
  frame.Place({100, 100, 740, 580});
  frame.Show();
  QApplication::processEvents();
  // What the program does with the message: its popup menu at that point.
  window.onMessage = [&](const uitest::Received& r) {
    if (r.message != ui::Message::WM_CONTEXTMENU) return;
    popup.Popup(ui::MouseX(r.lParam), ui::MouseY(r.lParam));
    ui::Application::Quit(0);
  };
  QWidget* area = QApplication::widgetAt(QPoint(400, 300));
  ASSERT_NE(area, nullptr);
  const QPointF local = area->mapFromGlobal(QPointF(400, 300));
  QMouseEvent press(QEvent::MouseButtonPress, local, QPointF(400, 300), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(area, &press);
  uitest::RunLoop();
  QMenu* shown = ui::qt::NativeMenu(popup);
  EXPECT_TRUE(shown->isVisible());
  EXPECT_EQ(shown->pos(), QPoint(400, 300));
  shown->hide();
}

TEST(WindowControl, LeavingFullScreenGivesBackTheExactRectangleWithItsMenu) {
  uitest::RecordingWindow window;
  ui::Frame frame(window.Id(), "Full screen");
  ui::Menu menu(window.Id());
  menu.AddSubMenu("&View").AddItem(40124, "Toggle Fullscreen");
  frame.SetMenuBar(menu);
  const ui::Rect normal{100, 80, 740, 560};
  frame.Place(normal);
  frame.Show();
  QApplication::processEvents();
  const ui::Rect monitor = ui::Monitors().front().area;
  for (int round = 0; round < 3; ++round) {
    ui::ShowInMode(window.Id(), ui::ShowMode::kFullScreen, monitor, false);
    QApplication::processEvents();
    const ui::Rect full = frame.Placement();
    EXPECT_EQ(full.left, monitor.left);
    EXPECT_EQ(full.top, monitor.top);
    EXPECT_EQ(ui::ClientArea(window.Id()).top, 0);
    ui::ShowInMode(window.Id(), ui::ShowMode::kNormal, normal, true);
    QApplication::processEvents();
    const ui::Rect back = frame.Placement();
    EXPECT_EQ(back.left, normal.left) << round;
    EXPECT_EQ(back.top, normal.top) << round;
    EXPECT_EQ(back.Width(), normal.Width()) << round;
    EXPECT_EQ(back.Height(), normal.Height()) << round;
    EXPECT_GT(ui::ClientArea(window.Id()).top, 0);
  }
}

TEST(WindowControl, HidingTheMenuKeepsTheClientSize) {
  uitest::RecordingWindow window;
  ui::Frame frame(window.Id(), "Menu");
  ui::Menu menu(window.Id());
  menu.AddSubMenu("&File").AddItem(40164, "Close");
  frame.SetMenuBar(menu);
  frame.Place({0, 0, 640, 400});
  frame.Show();
  QApplication::processEvents();
  const ui::Rect before = ui::ClientArea(window.Id());
  ASSERT_GT(before.top, 0);
  ui::SetMenuBarVisible(window.Id(), false);
  QApplication::processEvents();
  const ui::Rect after = ui::ClientArea(window.Id());
  EXPECT_EQ(after.top, 0);
  EXPECT_EQ(after.Height(), before.Height());
  EXPECT_EQ(after.Width(), before.Width());
}

TEST(Overlay, PaintsItsPanelsOverTheWindowUntilHidden) {
  uitest::RecordingWindow window;
  ui::Frame frame(window.Id(), "Overlay");
  frame.Place({0, 0, 320, 240});
  frame.Show();
  ui::Overlay overlay(window.Id());
  const auto pixel = [&] {
    testsupport::TempFolder folder;
    EXPECT_TRUE(frame.Snapshot(folder / "frame.png"));
    return QImage(QString::fromStdString((folder / "frame.png").string())).pixelColor(100, 30);
  };
  ui::OverlayPanel panel;
  panel.rect = {10, 10, 200, 50};
  overlay.Show({panel});
  EXPECT_EQ(pixel(), QColor(16, 48, 136));
  overlay.Show({});
  EXPECT_NE(pixel(), QColor(16, 48, 136));
}

}  // namespace

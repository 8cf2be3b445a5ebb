#include <gtest/gtest.h>

#include <QAction>

#include "platform/ui/Application.h"
#include "platform/ui/Menu.h"
#include "platform/ui/qt/NativeMenu.h"
#include "tests/ui/UiTestApplication.h"

namespace {

// The action of an item of a sub-menu, found by its text.
QAction* ItemOf(ui::Menu& menu, const QString& text) {
  for (QAction* action : ui::qt::NativeMenu(menu)->findChildren<QAction*>()) {
    if (action->text() == text) return action;
  }
  return nullptr;
}

TEST(Menus, ChoosingAnItemPostsItsCommandAndLeavesTheCheckMarkToTheProgram) {
  uitest::RecordingWindow window;
  ui::Menu menu(window.Id());
  ui::Menu& view = menu.AddSubMenu("&View");
  view.AddItem(40155, "Always On Top");
  view.AddItem(40145, "Menu");
  menu.SetChecked(40155, true);
  EXPECT_TRUE(menu.IsChecked(40155));
  EXPECT_FALSE(menu.IsChecked(40145));

  QAction* onTop = ItemOf(view, "Always On Top");
  ASSERT_NE(onTop, nullptr);
  onTop->trigger();
  ui::Application::Quit(0);
  uitest::RunLoop();

  ASSERT_EQ(window.received.size(), 1u);
  EXPECT_EQ(window.received[0].message, ui::Message::WM_COMMAND);
  EXPECT_EQ(window.received[0].wParam, 40155u);
  EXPECT_TRUE(menu.IsChecked(40155));
}

}  // namespace

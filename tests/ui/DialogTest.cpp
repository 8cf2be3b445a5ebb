#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <vector>

#include "platform/ui/Dialog.h"
#include "platform/ui/Window.h"
#include "tests/ui/UiTestApplication.h"

namespace {

using ui::ControlKind;
using ui::Notification;

constexpr ui::ControlId kBox = 10;
constexpr ui::ControlId kTree = 11;

ui::DialogTemplate Layout() {
  return {"Test",
          {300, 200},
          {},
          {{ControlKind::kCheckBox, kBox, "&Box", {10, 10, 150, 24}},
           {ControlKind::kCheckTree, kTree, "", {10, 40, 280, 100}},
           {ControlKind::kButton, ui::kIdOk, "OK", {100, 160, 80, 28}, ui::kOnDialog, 0, true},
           {ControlKind::kButton, ui::kIdCancel, "Cancel", {200, 160, 80, 28}}}};
}

struct Notified {
  ui::ControlId id;
  Notification what;
  int item;
};

class Handler : public ui::DialogHandler {
 public:
  void OnInit(ui::DialogControls& dialog) override {
    if (onInit) onInit(dialog);
  }
  void OnNotify(ui::DialogControls& dialog, ui::ControlId id, Notification what,
                int item) override {
    notified.push_back({id, what, item});
    if (id == ui::kIdCancel) dialog.End(ui::DialogResult::Cancel);
  }
  void OnMessage(ui::DialogControls& dialog, ui::Message message, ui::WParam wParam,
                 ui::LParam) override {
    if (onMessage) onMessage(dialog, message, wParam);
  }

  std::function<void(ui::DialogControls&)> onInit;
  std::function<void(ui::DialogControls&, ui::Message, ui::WParam)> onMessage;
  std::vector<Notified> notified;
};

// A dialog that waits for a scan's progress must still get its posted
// messages and its timer, and end with what its handler says.
TEST(Dialogs, PostedMessagesAndTimersReachTheHandlerWhileModal) {
  Handler handler;
  handler.onInit = [](ui::DialogControls& dialog) {
    ui::Post(dialog.Window(), ui::Message::WM_CHANNEL_CHANGED, 7);
    dialog.Post(ui::Message::WM_SCAN_CHANNEL);
  };
  std::vector<ui::Message> seen;
  handler.onMessage = [&](ui::DialogControls& dialog, ui::Message message, ui::WParam wParam) {
    seen.push_back(message);
    if (message == ui::Message::WM_CHANNEL_CHANGED && wParam == 7) dialog.SetTimer(107, 10);
    if (message == ui::Message::WM_TIMER && wParam == 107) {
      dialog.KillTimer(107);
      dialog.End(ui::DialogResult::Ok);
    }
  };
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  guard.start(10'000);

  EXPECT_EQ(ui::RunDialog(Layout(), handler, ui::kNoWindow), ui::DialogResult::Ok);
  EXPECT_EQ(seen, (std::vector<ui::Message>{ui::Message::WM_CHANNEL_CHANGED,
                                            ui::Message::WM_SCAN_CHANNEL, ui::Message::WM_TIMER}));
}

// The program fills controls without hearing of it; the user's clicks and
// item checks arrive by control id, and the close box is Cancel.
TEST(Dialogs, OnlyTheUsersActionsNotify) {
  Handler handler;
  handler.onInit = [](ui::DialogControls& dialog) {
    dialog.AddItem(kTree, "b");
    dialog.InsertItem(kTree, 0, "a");
    dialog.SetItemChecked(kTree, 1, true);
    dialog.SetSelection(kTree, 1);
    dialog.SetChecked(kBox, true);
    dialog.SetText(kBox, "Changed");
  };
  QTimer::singleShot(0, [] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    modal->findChild<QCheckBox*>()->click();
    modal->findChild<QTreeWidget*>()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    modal->close();
  });

  EXPECT_EQ(ui::RunDialog(Layout(), handler, ui::kNoWindow), ui::DialogResult::Cancel);
  ASSERT_EQ(handler.notified.size(), 3u);
  EXPECT_EQ(handler.notified[0].id, kBox);
  EXPECT_EQ(handler.notified[0].what, Notification::kClicked);
  EXPECT_EQ(handler.notified[1].id, kTree);
  EXPECT_EQ(handler.notified[1].what, Notification::kItemChecked);
  EXPECT_EQ(handler.notified[1].item, 0);
  EXPECT_EQ(handler.notified[2].id, ui::kIdCancel);
}

// Items keep the order they were inserted in, with their own check state.
TEST(Dialogs, ItemsAreAddressedByTheirPlace) {
  Handler handler;
  ui::DialogHook previous = ui::SetDialogHook(
      [](const ui::DialogTemplate&, ui::DialogControls& dialog, ui::DialogHandler&) {
        dialog.AddItem(kTree, "c");
        dialog.InsertItem(kTree, 0, "a");
        dialog.InsertItem(kTree, 1, "b");
        dialog.SetItemChecked(kTree, 2, true);
        dialog.RemoveItem(kTree, 0);
        EXPECT_EQ(dialog.ItemCount(kTree), 2);
        EXPECT_EQ(dialog.ItemText(kTree, 0), "b");
        EXPECT_FALSE(dialog.ItemChecked(kTree, 0));
        EXPECT_TRUE(dialog.ItemChecked(kTree, 1));
        dialog.End(ui::DialogResult::Ok);
        return true;
      });
  EXPECT_EQ(ui::RunDialog(Layout(), handler, ui::kNoWindow), ui::DialogResult::Ok);
  ui::SetDialogHook(std::move(previous));
  EXPECT_TRUE(handler.notified.empty());
}

// Pickers and numbers keep the texts they are given in their own format, so
// that dialog logic can write and read them as text.
TEST(Dialogs, PickersAndNumbersTakeAndGiveTheirTexts) {
  constexpr ui::ControlId kWhen = 20, kLength = 21, kNumber = 22;
  ui::DialogTemplate layout = Layout();
  layout.controls.push_back({ControlKind::kDateTime, kWhen, "", {10, 10, 200, 24}});
  layout.controls.back().format = "yyyy/MM/dd hh:mm tt";
  layout.controls.push_back({ControlKind::kDateTime, kLength, "", {10, 40, 100, 24}});
  layout.controls.back().format = "HH:mm";
  layout.controls.push_back({ControlKind::kSpin, kNumber, "", {10, 70, 100, 24}});
  Handler handler;
  ui::DialogHook previous = ui::SetDialogHook(
      [&](const ui::DialogTemplate&, ui::DialogControls& dialog, ui::DialogHandler&) {
        dialog.SetText(kWhen, "2026/03/07 09:05 PM");
        dialog.SetText(kLength, "23:45");
        dialog.SetText(kNumber, "-12");
        EXPECT_EQ(dialog.Text(kWhen), "2026/03/07 09:05 PM");
        EXPECT_EQ(dialog.Text(kLength), "23:45");
        EXPECT_EQ(dialog.Text(kNumber), "-12");
        dialog.End(ui::DialogResult::Ok);
        return true;
      });
  EXPECT_EQ(ui::RunDialog(layout, handler, ui::kNoWindow), ui::DialogResult::Ok);
  ui::SetDialogHook(std::move(previous));
  EXPECT_TRUE(handler.notified.empty());
}

}  // namespace

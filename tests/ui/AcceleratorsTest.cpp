#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QWidget>

#include "platform/ui/Accelerators.h"
#include "platform/ui/Application.h"
#include "platform/ui/qt/Dispatcher.h"
#include "tests/ui/UiTestApplication.h"

namespace {

using ui::Accelerator;
using ui::KeyPress;
using ui::VirtualKey;

const ui::AcceleratorTable kTable{
    Accelerator::Char(U'1', 40177),
    Accelerator::Key(VirtualKey::NumPad1, 40177),
    Accelerator::Char(U']', 1098),
    Accelerator::Key(VirtualKey('S'), 40043),
    Accelerator::Key(VirtualKey('S'), 40120, ui::kControl),
    Accelerator::Key(VirtualKey::Return, 40124, ui::kAlt),
    Accelerator::Key(VirtualKey::Return, 40190),
    Accelerator::Key(VirtualKey::Subtract, 119),
};

TEST(Accelerators, VirtualKeysNeedTheirModifiersExactly) {
  EXPECT_EQ(kTable.Translate({VirtualKey('S'), 0, U's'}), 40043);
  EXPECT_EQ(kTable.Translate({VirtualKey('S'), ui::kControl, 0x13}), 40120);
  EXPECT_EQ(kTable.Translate({VirtualKey::Return, ui::kAlt, 0}), 40124);
  EXPECT_EQ(kTable.Translate({VirtualKey::Return, 0, U'\r'}), 40190);
  EXPECT_FALSE(kTable.Translate({VirtualKey('S'), ui::kShift, U'S'}));
}

TEST(Accelerators, CharactersMatchWhatIsTypedWhateverTheKey) {
  // "]" typed; on another layout the key differs.
  EXPECT_EQ(kTable.Translate({VirtualKey::None, 0, U']'}), 1098);
  EXPECT_EQ(kTable.Translate({VirtualKey('1'), 0, U'1'}), 40177);
  EXPECT_FALSE(kTable.Translate({VirtualKey('1'), ui::kControl, U'1'}));
  // Numeric-pad minus is a virtual key; its "-" character has no entry.
  EXPECT_EQ(kTable.Translate({VirtualKey::Subtract, 0, U'-'}), 119);
}

TEST(Accelerators, KeyPressInTheWindowPostsItsCommand) {
  uitest::RecordingWindow window;
  QWidget widget;
  QWidget child(&widget);
  ui::qt::AttachWidget(window.Id(), &widget);
  ui::SetAccelerators(window.Id(), kTable);

  QKeyEvent ctrlS(QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier, QString(QChar(0x13)));
  QCoreApplication::sendEvent(&child, &ctrlS);
  QKeyEvent volumeUp(QEvent::KeyPress, Qt::Key_VolumeUp, Qt::NoModifier);
  QCoreApplication::sendEvent(&child, &volumeUp);
  ui::Application::Quit(0);
  uitest::RunLoop();

  ASSERT_EQ(window.received.size(), 2u);
  EXPECT_EQ(window.received[0].message, ui::Message::WM_COMMAND);
  EXPECT_EQ(window.received[0].wParam, 40120u);
  EXPECT_EQ(window.received[1].message, ui::Message::WM_APPCOMMAND);
  EXPECT_EQ(window.received[1].lParam, static_cast<ui::LParam>(ui::AppCommand::VolumeUp));
}

TEST(Accelerators, KeysInADialogOwnedByTheWindowAreTheDialogs) {
  uitest::RecordingWindow window;
  QWidget widget;
  QDialog dialog(&widget);
  ui::qt::AttachWidget(window.Id(), &widget);
  ui::SetAccelerators(window.Id(), kTable);

  QKeyEvent s(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, "s");
  QCoreApplication::sendEvent(&dialog, &s);
  ui::Application::Quit(0);
  uitest::RunLoop();
  EXPECT_TRUE(window.received.empty());
}

}  // namespace

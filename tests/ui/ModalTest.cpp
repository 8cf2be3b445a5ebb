#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>
#include <thread>

#include "platform/ui/qt/Modal.h"
#include "tests/ui/UiTestApplication.h"

namespace {

using ui::Message;

// The one-second tick and the graphs' messages must not stop while the user
// looks at a dialog.
TEST(ModalDialogs, PostedMessagesAndTimersGoOnWhileADialogWaits) {
  uitest::RecordingWindow window;
  QDialog dialog;
  window.onMessage = [&](const uitest::Received& r) {
    if (r.message == Message::WM_TUNER_GRAPH_EVENT) ui::SetTimer(window.Id(), 1, 10);
    if (r.message == Message::WM_TIMER) {
      ui::KillTimer(window.Id(), 1);
      dialog.accept();
    }
  };
  QTimer::singleShot(10'000, &dialog, &QDialog::reject);  // a failing test ends too
  std::thread worker([id = window.Id()] { ui::Post(id, Message::WM_TUNER_GRAPH_EVENT, 5); });

  EXPECT_EQ(ui::qt::RunModal(dialog, window.Id()), ui::DialogResult::Ok);
  worker.join();
  ASSERT_EQ(window.received.size(), 2u);
  EXPECT_EQ(window.received[1].message, Message::WM_TIMER);
}

}  // namespace

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "graph/manager/GraphMessages.h"
#include "platform/ui/Application.h"
#include "tests/ui/UiTestApplication.h"

namespace {

using ui::Message;
using uitest::RecordingWindow;

// The graph managers post their window messages with these numbers.
static_assert(static_cast<std::uint32_t>(Message::WM_CHANNEL_CHANGED) ==
              static_cast<std::uint32_t>(graph::WindowMessage::WM_CHANNEL_CHANGED));
static_assert(static_cast<std::uint32_t>(Message::WM_PLAYER_GRAPH_EVENT) ==
              static_cast<std::uint32_t>(graph::WindowMessage::WM_PLAYER_GRAPH_EVENT));
static_assert(static_cast<std::uint32_t>(Message::WM_VIDEO_RESIZED) ==
              static_cast<std::uint32_t>(graph::WindowMessage::WM_VIDEO_RESIZED));
static_assert(static_cast<std::uint32_t>(Message::WM_TUNER_GRAPH_EVENT) ==
              static_cast<std::uint32_t>(graph::WindowMessage::WM_TUNER_GRAPH_EVENT));

// The poster never waits for the user-interface thread: here it has finished
// before that thread looks at its messages at all.
TEST(WindowMessages, PostedFromAnotherThreadArriveInOrderOnTheUiThread) {
  RecordingWindow window;
  constexpr int kCount = 500;
  std::thread worker([id = window.Id()] {
    for (int i = 0; i < kCount; ++i) {
      ui::Post(id, i % 2 ? Message::WM_PLAYER_GRAPH_EVENT : Message::WM_TUNER_GRAPH_EVENT, i);
    }
    ui::Application::Quit(0);
  });
  worker.join();
  EXPECT_EQ(uitest::RunLoop(), 0);

  ASSERT_EQ(window.received.size(), static_cast<std::size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    EXPECT_EQ(window.received[i].wParam, static_cast<ui::WParam>(i));
    EXPECT_EQ(window.received[i].thread, std::this_thread::get_id());
  }
}

TEST(WindowMessages, PostToAWindowThatIsGoneIsDropped) {
  auto gone = std::make_unique<RecordingWindow>();
  const ui::WindowId goneId = gone->Id();
  RecordingWindow other;
  ui::Post(goneId, Message::WM_COMMAND, 40151);
  gone.reset();
  ui::Post(other.Id(), Message::WM_COMMAND, 1);
  ui::Application::Quit(0);
  uitest::RunLoop();

  ASSERT_EQ(other.received.size(), 1u);
  EXPECT_EQ(other.received[0].wParam, 1u);
  EXPECT_NE(goneId, other.Id());
}

TEST(WindowMessages, SendAnswersAtOnceOnTheUiThreadAndIsRefusedElsewhere) {
  RecordingWindow window;
  EXPECT_EQ(ui::Send(window.Id(), Message::WM_COMMAND, 41), 42);
  ui::LResult fromWorker = -1;
  std::thread([&] { fromWorker = ui::Send(window.Id(), Message::WM_COMMAND, 7); }).join();
  EXPECT_EQ(fromWorker, 0);
  EXPECT_EQ(window.received.size(), 1u);
}

TEST(WindowTimers, TimerFiresByIdUntilKilled) {
  RecordingWindow window;
  int ticks = 0;
  window.onMessage = [&](const uitest::Received& r) {
    if (r.message != Message::WM_TIMER) return;
    if (++ticks == 3) {
      EXPECT_TRUE(ui::KillTimer(window.Id(), 1));
      // One more turn of the loop shows whether the killed timer still fires.
      ui::SetTimer(window.Id(), 2, 30);
    } else if (r.wParam == 2) {
      ui::Application::Quit(0);
    }
  };
  ASSERT_TRUE(ui::SetTimer(window.Id(), 1, 5));
  uitest::RunLoop();

  ASSERT_EQ(window.received.size(), 4u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(window.received[i].message, Message::WM_TIMER);
    EXPECT_EQ(window.received[i].wParam, 1u);
  }
  EXPECT_EQ(window.received[3].wParam, 2u);
  EXPECT_FALSE(ui::KillTimer(window.Id(), 1));
}

}  // namespace

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "common/ErrorBox.h"
#include "platform/ui/Application.h"
#include "platform/ui/MessageBox.h"
#include "tests/ui/UiTestApplication.h"

namespace {

struct ShownBox {
  ui::BoxRequest request;
  std::thread::id thread;
};

// Records the boxes instead of showing them; the box "closes" with OK.
class BoxRecorder {
 public:
  BoxRecorder() {
    previous_ = ui::SetMessageBoxHook([this](const ui::BoxRequest& request) {
      shown.push_back({request, std::this_thread::get_id()});
      ui::Application::Quit(0);
      return ui::DialogResult::Ok;
    });
  }
  ~BoxRecorder() { ui::SetMessageBoxHook(std::move(previous_)); }

  std::vector<ShownBox> shown;

 private:
  ui::BoxHook previous_;
};

TEST(ErrorBox, RaisedOnAWorkerIsShownOnTheUiThreadWithoutWaiting) {
  BoxRecorder boxes;
  std::thread worker([] { common::ErrorBox("Can not run graph. Error %s", "E_FAIL"); });
  // The worker is done before the user-interface thread runs its loop.
  worker.join();
  EXPECT_TRUE(boxes.shown.empty());
  uitest::RunLoop();

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].request.caption, "Error!");
  EXPECT_EQ(boxes.shown[0].request.text, "Can not run graph. Error E_FAIL");
  EXPECT_EQ(boxes.shown[0].request.icon, ui::BoxIcon::Warning);
  EXPECT_EQ(boxes.shown[0].thread, std::this_thread::get_id());
}

TEST(ErrorBox, RaisedOnTheUiThreadIsShownAtOnce) {
  BoxRecorder boxes;
  common::MessageBox("Initialization Error", "Failed to create the tuner manager");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].request.caption, "Initialization Error");
  uitest::RunLoop();  // the hook's Quit
}

}  // namespace

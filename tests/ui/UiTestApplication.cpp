#include "tests/ui/UiTestApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <cstdlib>
#include <memory>

#include "platform/ui/Application.h"

namespace uitest {
namespace {

class UiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app_ = std::make_unique<ui::Application>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<ui::Application> app_;
};

[[maybe_unused]] auto* const gEnvironment = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

}  // namespace

int RunLoop(int milliseconds) {
  bool timedOut = false;
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
    timedOut = true;
    ui::Application::Quit(-1);
  });
  guard.start(milliseconds);
  const int code = QApplication::exec();
  EXPECT_FALSE(timedOut) << "the message loop did not end in time";
  return code;
}

}  // namespace uitest

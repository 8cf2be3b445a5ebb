#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/ui/Application.h"
#include "platform/ui/DataFolderLock.h"
#include "platform/ui/InstanceChannel.h"
#include "platform/ui/SingleInstance.h"
#include "tests/support/TempFolder.h"
#include "tests/ui/UiTestApplication.h"

namespace {

using ui::SingleInstance;
using namespace std::chrono_literals;

constexpr std::uint32_t kOpen = 40151;

TEST(DataFolderLock, RefusedWhileHeldAlsoThroughAnotherPath) {
  testsupport::TempFolder temp;
  const std::filesystem::path folder = temp.Path() / "Corvane DVR";
  std::filesystem::create_directories(folder);
  std::filesystem::create_directory_symlink(folder, temp.Path() / "alias");

  auto held = ui::DataFolderLock::Take(folder);
  ASSERT_TRUE(held);
  EXPECT_FALSE(ui::DataFolderLock::Take(folder));
  EXPECT_FALSE(ui::DataFolderLock::Take(temp.Path() / "alias" / "."));
  held.reset();
  EXPECT_TRUE(ui::DataFolderLock::Take(temp.Path() / "alias"));
}

TEST(SingleInstance, SecondStartWithTheSameTitleHandsOverTheOpenCommand) {
  testsupport::TempFolder temp;
  const std::filesystem::path folder = temp.Path() / "Corvane DVR";
  std::filesystem::create_directories(folder);
  SingleInstance::Claim first = SingleInstance::Start("Corvane DVR", folder, kOpen);
  ASSERT_EQ(first.outcome, SingleInstance::Outcome::First);
  std::vector<std::uint32_t> received;
  first.instance->SetCommandHandler([&](std::uint32_t command) {
    received.push_back(command);
    ui::Application::Quit(0);
  });

  SingleInstance::Outcome second = SingleInstance::Outcome::First;
  std::thread secondStart(
      [&] { second = SingleInstance::Start("Corvane DVR", folder, kOpen, 2s).outcome; });
  uitest::RunLoop();
  secondStart.join();

  EXPECT_EQ(second, SingleInstance::Outcome::HandedOver);
  EXPECT_EQ(received, std::vector<std::uint32_t>{kOpen});
}

TEST(SingleInstance, AnotherTitleRunsBeside) {
  testsupport::TempFolder temp;
  std::filesystem::create_directories(temp.Path() / "Corvane DVR" / "Bedroom");
  SingleInstance::Claim first =
      SingleInstance::Start("Corvane DVR", temp.Path() / "Corvane DVR", kOpen);
  SingleInstance::Claim bedroom = SingleInstance::Start(
      "Corvane DVR (Bedroom)", temp.Path() / "Corvane DVR" / "Bedroom", kOpen);
  EXPECT_EQ(first.outcome, SingleInstance::Outcome::First);
  EXPECT_EQ(bedroom.outcome, SingleInstance::Outcome::First);
}

TEST(SingleInstance, HolderThatTakesNoCommandLeavesTheSecondStartBusy) {
  testsupport::TempFolder temp;
  auto held = ui::DataFolderLock::Take(temp.Path());
  ASSERT_TRUE(held);
  EXPECT_EQ(SingleInstance::Start("Corvane DVR", temp.Path(), kOpen, 100ms).outcome,
            SingleInstance::Outcome::Busy);
}

// A recorder without a window holds the folder and refuses the command.
TEST(SingleInstance, HolderThatRefusesTheCommandEndsTheSecondStartAtOnce) {
  testsupport::TempFolder temp;
  auto held = ui::DataFolderLock::Take(temp.Path());
  ASSERT_TRUE(held);
  std::string error;
  const auto holder =
      ui::ChannelServer::Listen(ui::InstanceChannelPath(held->Folder().string()), &error);
  ASSERT_TRUE(holder) << error;
  int asked = 0;
  std::thread serving([&] {
    holder->Serve(std::chrono::steady_clock::now() + 1s, [&](std::optional<std::string_view>) {
      ++asked;
      return std::string("1\nA recorder runs here.\n");
    });
  });
  EXPECT_EQ(SingleInstance::Start("Corvane DVR", temp.Path(), kOpen).outcome,
            SingleInstance::Outcome::Refused);
  serving.join();
  EXPECT_EQ(asked, 1);
}

// The desktop program answers the command-line tool's requests on the same
// socket: a line that is not a command goes to the request handler, one
// beyond the limit reaches it as none.
TEST(SingleInstance, RequestsThatAreNotCommandsAreAnsweredByTheRequestHandler) {
  testsupport::TempFolder temp;
  SingleInstance::Claim first = SingleInstance::Start("Corvane DVR", temp.Path(), kOpen);
  ASSERT_EQ(first.outcome, SingleInstance::Outcome::First);
  std::vector<std::string> requests;
  first.instance->SetRequestHandler([&](std::optional<std::string_view> request) {
    requests.emplace_back(request.value_or("(none)"));
    return std::string("0\nanswered\n");
  });
  const std::string path =
      ui::InstanceChannelPath(std::filesystem::canonical(temp.Path()).string());
  std::vector<ui::ChannelAnswer> answers;
  std::thread asking([&] {
    for (const std::string& request :
         {std::string("timers\tlist"), std::string(ui::kMaxChannelRequest, 'x')})
      answers.push_back(ui::AskOverChannel(path, request, 2s, 64));
    ui::Application::Quit(0);
  });
  uitest::RunLoop();
  asking.join();

  EXPECT_EQ(requests, (std::vector<std::string>{"timers\tlist", "(none)"}));
  ASSERT_EQ(answers.size(), 2u);
  for (const ui::ChannelAnswer& answer : answers) {
    EXPECT_EQ(answer.status, ui::ChannelAnswer::Status::kAnswered);
    EXPECT_EQ(answer.text, "0\nanswered\n");
  }
}

TEST(InstanceChannel, ARequestBeyondTheLimitReachesTheHolderAsNone) {
  testsupport::TempFolder temp;
  const std::string path = ui::InstanceChannelPath(temp.Path().string());
  std::string error;
  const auto holder = ui::ChannelServer::Listen(path, &error);
  ASSERT_TRUE(holder) << error;
  std::vector<bool> whole;
  std::thread serving([&] {
    holder->Serve(std::chrono::steady_clock::now() + 1s,
                  [&](std::optional<std::string_view> request) {
                    whole.push_back(request.has_value());
                    return std::string("refused\n");
                  });
  });
  const auto answer = ui::AskOverChannel(path, std::string(ui::kMaxChannelRequest, 'x'), 1s, 64);
  serving.join();
  EXPECT_EQ(answer.status, ui::ChannelAnswer::Status::kAnswered);
  EXPECT_EQ(answer.text, "refused\n");
  EXPECT_EQ(whole, std::vector<bool>{false});
}

}  // namespace

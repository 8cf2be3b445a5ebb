#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include "app/SettingsFile.h"
#include "tests/cli_tuner/TunerCommandTest.h"
#include "tests/support/Bytes.h"
#include "tests/support/ChildProcess.h"
#include "tools/cli/timers/TimersRun.h"

namespace cli::test {
namespace {

using TimersCommandTest = TunerCommandTest;

TEST_F(TimersCommandTest, AnOverlapIsRefusedWithOneTunerAndRemovingFreesTheTime) {
  ASSERT_EQ(Run(RunTimersAdd, {"--channel", "31.5", "--start", "2030-12-24 20:15", "--minutes",
                               "90", "--title", "Eve"})
                .code,
            0);
  const auto clash =
      Run(RunTimersAdd, {"--channel", "31.5", "--start", "2030-12-24 21:00", "--minutes", "30"});
  EXPECT_EQ(clash.code, 1);
  EXPECT_EQ(clash.err, "corvane-cli: Timer conflicts with an existing timer.\n");
  ASSERT_EQ(Run(RunTimersRemove, {"1"}).code, 0);
  EXPECT_EQ(Run(RunTimersList, {}).out, "No timers.\n");
}

TEST_F(TimersCommandTest, MinutesBeyondADayAreRefusedHoweverMany) {
  // 71582789 minutes are 2^32 + 44 seconds.
  for (const char* minutes : {"1441", "71582789"}) {
    const auto r = Run(RunTimersAdd,
                       {"--channel", "31.5", "--start", "2030-12-24 20:15", "--minutes", minutes});
    EXPECT_EQ(r.code, 1) << minutes;
    EXPECT_EQ(r.err, "corvane-cli: Invalid duration.\n") << minutes;
  }
}

TEST_F(TimersCommandTest, ATimerThatCannotBeSavedFailsWithTheReasonAndKeepsTheFile) {
  ASSERT_EQ(Run(RunTimersAdd, {"--channel", "31.5", "--start", "2030-12-24 20:15", "--minutes",
                               "30", "--title", "Eve"})
                .code,
            0);
  const std::filesystem::path settings = DataFolder() / app::kSettingsFileName;
  const auto saved = testsupport::ReadBytes(settings);
  ASSERT_FALSE(saved.empty());
  // The file-size limit fails write() as a full disk does.
  testsupport::ChildProcess child(config_.Path() / "child", [] {
    const rlimit limit{512, 512};
    std::signal(SIGXFSZ, SIG_IGN);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 99;
    return RunTimersAdd(std::vector<std::string>{"--channel", "31.5", "--start", "2030-12-25 20:15",
                                                 "--minutes", "30"},
                        stdout, stderr);
  });
  EXPECT_EQ(child.WaitExit(30'000), std::optional(1)) << child.Out();
  EXPECT_NE(
      child.Err().find("corvane-cli: The settings could not be saved: \"" + settings.string() +
                       "\" cannot be written (File too large). The settings saved "
                       "before are kept.\n"),
      std::string::npos)
      << child.Err();
  EXPECT_EQ(testsupport::ReadBytes(settings), saved);
}

}  // namespace
}  // namespace cli::test

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>

#include "tests/support/ExternalTool.h"
#include "tests/support/TempFolder.h"

namespace {

struct TunerCommands : testing::Test {
  // Runs the tool on a broadcast of three virtual tuners; standard error joins
  // the output.
  int Run(const std::string& arguments, std::string* out) {
    const auto description = folder.WriteText("broadcast.txt", "tuners 3\npace off\n");
    const testsupport::ToolRun run =
        testsupport::RunTool("CORVANE_BROADCAST='" + description.string() + "' " + CORVANE_CLI +
                             " " + arguments + " 2>&1");
    *out = run.output;
    return WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1;
  }
  testsupport::TempFolder folder;
};

TEST_F(TunerCommands, TunersListsEveryVirtualTunerWithItsModulations) {
  std::string out;
  ASSERT_EQ(Run("tuners", &out), 0) << out;
  EXPECT_NE(out.find("Corvane Virtual Tuner 3\n  @device:sw:{71985F48-1CA1-11D3-9CC8-"
                     "00C04F7971E0}\\virtual-tuner-3\n  VSB:Auto, VSB:8-VSB, QAM:Auto, "
                     "QAM:64-QAM, QAM:256-QAM, COFDM:AUTO, COFDM:QPSK, COFDM:16-QAM, "
                     "COFDM:64-QAM\n"),
            std::string::npos)
      << out;
}

TEST_F(TunerCommands, WatchRefusesATunerThatIsNotThere) {
  std::string out;
  EXPECT_EQ(Run("watch --tuner 'No Such Tuner'", &out), 1);
  EXPECT_NE(out.find("no tuner named \"No Such Tuner\""), std::string::npos) << out;
}

}  // namespace

#include <gtest/gtest.h>

#include "tests/cli_tuner/TunerCommandTest.h"
#include "tools/cli/record/RecordRun.h"

namespace cli::test {
namespace {

using RecordCommandTest = TunerCommandTest;

TEST_F(RecordCommandTest, AMinuteOfAChannelPlaysForAMinute) {
  CORVANE_REQUIRE_TOOLS("ffprobe", "ffmpeg");
  const auto r = Run(RunRecord, {"31.5", "--minutes", "1", "--title", "A/B"});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::size_t open = r.out.find('"');
  const std::string file = r.out.substr(open + 1, r.out.find('"', open + 1) - open - 1);
  EXPECT_TRUE(file.ends_with(" A_B.mpg")) << file;

  const auto probe =
      testsupport::RunTool("ffprobe -v error -show_entries format=duration -of csv=p=0 " +
                           testsupport::ShellQuote(file));
  ASSERT_EQ(probe.status, 0);
  EXPECT_NEAR(std::stod(probe.output), 60.0, 1.0);
  const auto decode = testsupport::RunTool("ffmpeg -v error -i " + testsupport::ShellQuote(file) +
                                           " -f null - 2>&1");
  EXPECT_EQ(decode.status, 0);
  EXPECT_EQ(decode.output, "");
}

}  // namespace
}  // namespace cli::test

// "corvane-cli play" on what "remux" wrote: a recording read to its end with
// its text records, a time-shift list read to its live edge after a seek, and
// the rate rule.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/cli_remux/CommandRun.h"
#include "tools/cli/play/PlayRun.h"
#include "tools/cli/remux/RemuxRun.h"

namespace {

using cli::test::CommandRun;
using cli::test::RunCommand;

class PlayCommandTest : public cli::test::KfivFolderTest {};

TEST_F(PlayCommandTest, ReadsARecordingToItsEndWithItsTextRecords) {
  const std::string file = (work_.Path() / "kfiv.mpg").string();
  ASSERT_EQ(RunCommand(cli::RunRemux, {capture_, "--program", "5", "--out", file, "--physical",
                                       "31", "--seconds", "6"})
                .code,
            0);
  const CommandRun run = RunCommand(cli::RunPlay, {file});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("end of stream"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("video: 0 samples"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("audio: 0 samples"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("text: KFIV"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("available: "), std::string::npos) << run.out;

  const CommandRun refused = RunCommand(cli::RunPlay, {file, "--rate", "0"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("refused"), std::string::npos);
}

TEST_F(PlayCommandTest, ReadsAListToItsLiveEdgeAfterASeek) {
  const std::string list = (work_.Path() / "buffer.lst").string();
  ASSERT_EQ(RunCommand(cli::RunRemux, {capture_, "--program", "5", "--buffer", list, "--physical",
                                       "31", "--seconds", "6"})
                .code,
            0);
  const CommandRun run = RunCommand(cli::RunPlay, {list, "--seek", "3"});
  ASSERT_EQ(run.code, 0) << run.err;
  // The newest chunk of a list may still grow: reading stops at its end.
  EXPECT_NE(run.out.find("live edge"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("video: 0 samples"), std::string::npos) << run.out;

  EXPECT_EQ(RunCommand(cli::RunPlay, {"missing.mpg"}).code, 1);
  EXPECT_EQ(RunCommand(cli::RunPlay, {list, "--seek", "-1"}).code, 2);
}

}  // namespace

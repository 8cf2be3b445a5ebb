// Commands that drive the graph manager, run in this process on the unpaced
// virtual tuner of the bundled broadcast with a data folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/ConfigRoot.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/ScopedEnv.h"
#include "tests/vtuner/TestCapture.h"
#include "tools/broadcast/CaptureWriter.h"
#include "tools/broadcast/Description.h"

namespace cli::test {

class TunerCommandTest : public ::testing::Test {
 public:
  using Command = int (*)(std::span<const std::string>, std::FILE*, std::FILE*);

  static testsupport::StreamsRun Run(Command command, std::vector<std::string> args) {
    return testsupport::RunWithStreams(
        [&](std::FILE* out, std::FILE* err) { return command(args, out, err); });
  }

 protected:
  std::filesystem::path DataFolder() const { return config_.Path() / "data" / "Corvane DVR"; }

  testsupport::ScopedConfigRoot config_{"corvane-tuner-cli"};
  testsupport::ScopedEnv data_{"XDG_DATA_HOME", (config_.Path() / "data").string()};
  // The record folder: "Videos" in the home folder.
  testsupport::ScopedEnv home_{"HOME", config_.Path().string()};
  testsupport::ScopedEnv userDirs_{"XDG_CONFIG_HOME", config_.Path().string()};
  testsupport::ScopedEnv pace_{"CORVANE_TUNER_PACE", "0"};
  testsupport::ScopedEnv broadcast_{"CORVANE_BROADCAST", ""};
};

// The sample broadcast's physical channel 31 (5.5 "KFIV") alone, as a
// synthetic multiplex whose `clauses` follow its declaration.
inline std::string KfivDescription(const std::string& clauses) {
  return "tuners 1\npace off\nmultiplex \"Antenna US\" 31 VSB:8-VSB synthetic KFIV" + clauses +
         "\n  tsid 0x1F05\n  channel 5.5 program=5 name=KFIV guide=movies\n";
}

// KFIV as a capture of four seconds written into `air`, and the broadcast
// file beside it that names the capture. Both empty when the capture could
// not be written (the reason in `error`).
struct KfivCapture {
  std::filesystem::path capture;
  std::filesystem::path broadcast;
};
inline KfivCapture WriteKfivCapture(vtuner::test::TempFolder& air, std::string* error) {
  broadcast::BroadcastDescription kfiv;
  std::vector<std::filesystem::path> captures;
  if (!broadcast::ParseBroadcastDescription(KfivDescription(""), kfiv, *error) ||
      !broadcast::WriteCaptures(kfiv, 4.0, air.Path(), {}, captures, *error) ||
      captures.size() != 1)
    return {};
  return {captures[0], air.WriteText("broadcast.txt",
                                     "tuners 1\nmultiplex \"Antenna US\" 31 VSB:8-VSB capture \"" +
                                         captures[0].string() + "\"\n")};
}

// The lines of a command's output.
inline std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    lines.insert(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

}  // namespace cli::test

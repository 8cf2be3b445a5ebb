// Shared by the remux and play command tests: a capture of the sample
// broadcast's 5.5 (written once per test binary), a working folder per test,
// and a command run with its output captured.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "tests/support/Bytes.h"
#include "tests/support/ExternalTool.h"
#include "tests/vtuner/TestCapture.h"
#include "tools/broadcast/CaptureWriter.h"
#include "tools/broadcast/Description.h"

namespace cli::test {

inline constexpr double kCaptureSeconds = 4.0;

// The sample broadcast's physical channel 31 alone: one programme, 5.5 "KFIV".
struct KfivCapture {
  KfivCapture() {
    broadcast::BroadcastDescription all;
    ok = broadcast::ParseBroadcastDescription(broadcast::SampleBroadcastText(), all, error);
    for (const auto& mux : all.multiplexes)
      if (mux.physical == 31) description.multiplexes.push_back(mux);
    ok = ok && description.multiplexes.size() == 1 &&
         broadcast::WriteCaptures(description, kCaptureSeconds, folder.Path(), {}, files, error);
  }
  vtuner::test::TempFolder folder;
  broadcast::BroadcastDescription description;
  std::vector<std::filesystem::path> files;
  std::string error;
  bool ok = false;
};

inline const KfivCapture& Kfiv() {
  static const KfivCapture capture;
  return capture;
}

using CommandRun = testsupport::StreamsRun;
using CommandFunction = int (*)(std::span<const std::string>, std::FILE*, std::FILE*);

inline CommandRun RunCommand(CommandFunction command, std::vector<std::string> args) {
  return testsupport::RunWithStreams(
      [&](std::FILE* out, std::FILE* err) { return command(args, out, err); });
}

inline std::string ReadFile(const std::filesystem::path& path) {
  return testsupport::ReadText(path);
}

// Runs each test in a folder of its own (the current folder, where a sink
// without a list keeps its own).
class KfivFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Kfiv().ok) << Kfiv().error;
    capture_ = Kfiv().files.at(0).string();
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(work_.Path());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  vtuner::test::TempFolder work_;
  std::filesystem::path previous_;
  std::string capture_;
};

}  // namespace cli::test

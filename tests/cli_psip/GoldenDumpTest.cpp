// "PSIP.txt" of every multiplex of the sample broadcast, compared byte for
// byte with the dumps checked in beside this test. The captures start at a
// fixed instant, so every table (the guide's times too) is the same on every
// run. CORVANE_UPDATE_GOLDEN=1 rewrites the expected files instead.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/vtuner/TestCapture.h"
#include "tools/broadcast/CaptureWriter.h"
#include "tools/broadcast/Description.h"
#include "tools/cli/psip/PsipRun.h"
#include "tuning/BandPlan.h"

namespace {

constexpr double kCaptureSeconds = 2.0;
constexpr std::int64_t kStartUtcMicros = 1'700'000'000'000'000;  // 2023-11-14 22:13:20 UTC

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::filesystem::path GoldenPath(const broadcast::MultiplexDescription& m) {
  std::string name = m.CaptureFileName();
  name.replace(name.rfind(".ts"), 3, ".PSIP.txt");
  return std::filesystem::path(CORVANE_GOLDEN_DIR) / name;
}

// The dump a "psip" run writes for one capture.
std::string DumpOf(const std::filesystem::path& capture, const broadcast::MultiplexDescription& m,
                   const std::filesystem::path& out) {
  std::FILE* stdoutFile = std::tmpfile();
  std::FILE* stderrFile = std::tmpfile();
  const std::vector<std::string> args = {capture.string(),
                                         "--map",
                                         tuning::ChannelMapName(m.channelMap),
                                         "--physical",
                                         std::to_string(m.physical),
                                         "--modulation",
                                         tuning::ModulationName(m.modulation),
                                         "--out",
                                         out.string()};
  const int code = cli::RunPsip(args, stdoutFile, stderrFile);
  std::fclose(stdoutFile);
  std::fclose(stderrFile);
  EXPECT_EQ(code, 0);
  return ReadFile(out / "PSIP.txt");
}

TEST(PsipGoldenTest, DumpOfEverySampleMultiplexMatchesTheCheckedInFile) {
  broadcast::BroadcastDescription description;
  std::string error;
  ASSERT_TRUE(
      broadcast::ParseBroadcastDescription(broadcast::SampleBroadcastText(), description, error))
      << error;
  broadcast::MultiplexOptions options;
  options.clock = [] { return kStartUtcMicros; };
  vtuner::test::TempFolder folder;
  std::vector<std::filesystem::path> files;
  ASSERT_TRUE(
      broadcast::WriteCaptures(description, kCaptureSeconds, folder.Path(), options, files, error))
      << error;
  ASSERT_EQ(files.size(), description.multiplexes.size());
  const bool update = std::getenv("CORVANE_UPDATE_GOLDEN") != nullptr;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const broadcast::MultiplexDescription& m = description.multiplexes[i];
    SCOPED_TRACE(m.name);
    const std::string dump = DumpOf(files[i], m, folder.Path() / ("out-" + std::to_string(i)));
    ASSERT_FALSE(dump.empty());
    if (update) {
      WriteFile(GoldenPath(m), dump);
      continue;
    }
    const std::string expected = ReadFile(GoldenPath(m));
    ASSERT_FALSE(expected.empty()) << GoldenPath(m);
    EXPECT_TRUE(dump == expected) << "differs from " << GoldenPath(m);
  }
}

}  // namespace

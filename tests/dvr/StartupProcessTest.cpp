#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/dvr/ProgramRun.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

namespace {

using dvrtest::DataFolder;
using dvrtest::ProgramRun;
namespace fs = std::filesystem;

constexpr int kExitPatience = 30'000;

std::vector<char> Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Starts the program, ends it with SIGTERM and returns its exit code; what
// the program wrote to its error stream goes to the test's when it did not
// end with zero (a sanitizer's report, say).
std::optional<int> RunAndTerminate(const fs::path& home, std::vector<std::string> args) {
  ProgramRun run(home, std::move(args));
  if (!run.WaitStarted()) return std::nullopt;
  run.Terminate();
  const auto code = run.WaitExit(kExitPatience);
  if (code != 0) std::fprintf(stderr, "%s", run.Err().c_str());
  return code;
}

TEST(StartupProcess, SigtermSavesTheSettingsAndEndsWithZero) {
  testsupport::TempFolder home;
  EXPECT_EQ(RunAndTerminate(home.Path(), {}), 0);
  EXPECT_TRUE(fs::exists(DataFolder(home.Path()) / "Settings v2.bin"));
  EXPECT_TRUE(fs::exists(DataFolder(home.Path()) / "Guide.txt"));
}

TEST(StartupProcess, InstanceWithoutAValueRunsAsTheDefaultInstance) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-instance"}, std::vector<std::string>{"-instance", ""}}) {
    testsupport::TempFolder home;
    EXPECT_EQ(RunAndTerminate(home.Path(), args), 0);
    const fs::path folder = DataFolder(home.Path());
    EXPECT_TRUE(fs::exists(folder / "Settings v2.bin")) << args.size();
    // No folder of an instance below the default one.
    for (const auto& entry : fs::directory_iterator(folder))
      EXPECT_FALSE(entry.is_directory());
  }
}

TEST(StartupProcess, ASecondStartWithTheSameInstanceHandsOverAndEndsWithZero) {
  testsupport::TempFolder home;
  ProgramRun first(home.Path(), {"-instance", "Den"});
  ASSERT_TRUE(first.WaitStarted());
  ProgramRun second(home.Path(), {"-instance", "Den"});
  EXPECT_EQ(second.WaitExit(kExitPatience), 0) << second.Err();
  EXPECT_EQ(second.Err().find("does not answer"), std::string::npos) << second.Err();
  EXPECT_TRUE(first.Running());
  first.Terminate();
  EXPECT_EQ(first.WaitExit(kExitPatience), 0) << first.Err();
}

TEST(StartupProcess, AnotherInstanceRunsBeside) {
  testsupport::TempFolder home;
  ProgramRun den(home.Path(), {"-instance", "Den"});
  ProgramRun bedroom(home.Path(), {"-instance", "Bedroom"});
  ASSERT_TRUE(den.WaitStarted() && bedroom.WaitStarted());
  // A copy that handed over would have ended by now.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_TRUE(den.Running());
  EXPECT_TRUE(bedroom.Running());
  den.Terminate();
  bedroom.Terminate();
  EXPECT_EQ(den.WaitExit(kExitPatience), 0) << den.Err();
  EXPECT_EQ(bedroom.WaitExit(kExitPatience), 0) << bedroom.Err();
  EXPECT_TRUE(fs::exists(DataFolder(home.Path(), "Den") / "Settings v2.bin"));
  EXPECT_TRUE(fs::exists(DataFolder(home.Path(), "Bedroom") / "Settings v2.bin"));
}

// Without any tuner the Settings dialog cannot be satisfied: its OK leads to
// the graph start's message and the dialog again, whose Cancel ends the start.
TEST(StartupProcess, WithoutATunerTheSettingsDialogComesBackUntilCancelled) {
  testsupport::TempFolder home;
  ProgramRun run(home.Path(), {}, {"CORVANE_BROADCAST=" + (home.Path() / "none.txt").string()});
  EXPECT_EQ(run.WaitExit(kExitPatience), 0) << run.Err();
  const std::string err = run.Err();
  const std::size_t refused = err.find("No DTV tuners were selected.");
  EXPECT_NE(err.find("Dialog Settings: OK"), std::string::npos) << err;
  EXPECT_NE(refused, std::string::npos) << err;
  EXPECT_NE(err.find("Dialog Settings: Cancel", refused), std::string::npos) << err;
}

TEST(StartupProcess, ADamagedSettingsFileIsSaidAndKeptBeside) {
  testsupport::TempFolder home;
  ASSERT_EQ(RunAndTerminate(home.Path(), {}), 0);
  const fs::path file = DataFolder(home.Path()) / "Settings v2.bin";
  std::vector<char> damaged = Bytes(file);
  ASSERT_GT(damaged.size(), 64u);
  damaged[damaged.size() / 2] ^= 0x5A;
  std::ofstream(file, std::ios::binary).write(damaged.data(), std::streamsize(damaged.size()));

  ProgramRun run(home.Path(), {});
  ASSERT_TRUE(run.WaitStarted());
  run.Terminate();
  EXPECT_EQ(run.WaitExit(kExitPatience), 0) << run.Err();
  EXPECT_NE(run.Err().find("Error!: Error reading saved settings"), std::string::npos) << run.Err();
  EXPECT_EQ(Bytes(DataFolder(home.Path()) / "Settings v2.bin.damaged"), damaged);
  EXPECT_NE(Bytes(file), damaged);
}

}  // namespace

// corvane-dvr as a process of its own, on the offscreen window system, with
// a home folder of the test's own, message boxes written to its error
// stream (answered with OK) and each dialog answered once with OK.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/ExternalTool.h"

namespace dvrtest {

class ProgramRun {
 public:
  // `env` adds to or overrides the environment ("NAME=value").
  ProgramRun(const std::filesystem::path& home, std::vector<std::string> args,
             std::vector<std::string> env = {});

  // True once the program has read its command line (its session signals
  // are handled from then on).
  bool WaitStarted();
  // True once start-up is complete: the graphs run and requests on the
  // data folder's socket are answered.
  bool WaitRunning();
  // The exit code once the program has ended within `milliseconds`.
  std::optional<int> WaitExit(int milliseconds) { return process_.WaitExit(milliseconds); }
  bool Running() { return process_.Running(); }
  void Terminate() { process_.Terminate(); }

  std::string Out() const { return process_.Out(); }
  std::string Err() const { return process_.Err(); }

 private:
  testsupport::ChildProcess process_;
};

// corvane-cli with the program's folders below `home` (its data folder, and
// the temporary folder where its socket lies) and its time zone; standard
// output and error together.
testsupport::ToolRun RunCli(const std::filesystem::path& home, const std::string& arguments);

// The data folder of an instance below `home`.
std::filesystem::path DataFolder(const std::filesystem::path& home,
                                 const std::string& instance = {});

}  // namespace dvrtest

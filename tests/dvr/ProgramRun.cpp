#include "tests/dvr/ProgramRun.h"

#include <unistd.h>

#include "tests/support/Wait.h"

namespace dvrtest {
namespace {

// The child's part: the program in place of the test.
std::function<int()> Exec(const std::filesystem::path& home, std::vector<std::string> args,
                          std::vector<std::string> extraEnv) {
  // No XDG_RUNTIME_DIR: the single-instance socket then lies in the
  // temporary folder, as a socket path below the test's long folder name
  // would be too long.
  std::vector<std::string> env = {
      "HOME=" + home.string(),
      "XDG_DATA_HOME=" + (home / "data").string(),
      "XDG_CONFIG_HOME=" + (home / "config").string(),
      "QT_QPA_PLATFORM=offscreen",
      "CORVANE_BOXES=print",
      "CORVANE_DIALOGS=ok",
      "PATH=/usr/bin:/bin",
      "TZ=UTC",
      // A sanitizer build checks the program for leaks, but not the system
      // libraries' own.
      "LSAN_OPTIONS=suppressions=" CORVANE_LSAN_SUPPRESSIONS,
  };
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  args.insert(args.begin(), CORVANE_DVR);
  return [args = std::move(args), env = std::move(env)]() mutable {
    std::vector<char*> argv;
    for (auto& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env)
      envp.push_back(e.data());
    envp.push_back(nullptr);
    execve(CORVANE_DVR, argv.data(), envp.data());
    return 127;
  };
}

}  // namespace

ProgramRun::ProgramRun(const std::filesystem::path& home, std::vector<std::string> args,
                       std::vector<std::string> extraEnv)
    : process_(home, Exec(home, std::move(args), std::move(extraEnv))) {}

bool ProgramRun::WaitStarted() {
  return testsupport::WaitUntil([this] { return Out().find("0: ") != std::string::npos; });
}

bool ProgramRun::WaitRunning() {
  return testsupport::WaitUntil(
      [this] { return Out().find("Start-up complete") != std::string::npos; }, 60'000);
}

testsupport::ToolRun RunCli(const std::filesystem::path& home, const std::string& arguments) {
  const std::string h = testsupport::ShellQuote(home.string());
  return testsupport::RunTool("env -u XDG_RUNTIME_DIR -u TMPDIR TZ=UTC HOME=" + h +
                              " XDG_DATA_HOME=" + h + "/data XDG_CONFIG_HOME=" + h +
                              "/config " CORVANE_CLI " " + arguments + " 2>&1");
}

std::filesystem::path DataFolder(const std::filesystem::path& home, const std::string& instance) {
  const std::filesystem::path folder = home / "data" / "Corvane DVR";
  return instance.empty() ? folder : folder / instance;
}

}  // namespace dvrtest

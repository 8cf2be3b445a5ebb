#include "tests/dvr/ProgramRun.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/Wait.h"

namespace dvrtest {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

ProgramRun::ProgramRun(const std::filesystem::path& home, std::vector<std::string> args,
                       std::vector<std::string> extraEnv) {
  static std::atomic<int> runs{0};
  const std::string n = std::to_string(runs++);
  out_ = home / ("out" + n + ".txt");
  err_ = home / ("err" + n + ".txt");
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
      // A sanitizer build checks the program for leaks, but not the system
      // libraries' own.
      "LSAN_OPTIONS=suppressions=" CORVANE_LSAN_SUPPRESSIONS,
  };
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  args.insert(args.begin(), CORVANE_DVR);
  pid_ = fork();
  if (pid_ == 0) {
    std::freopen(out_.c_str(), "w", stdout);
    std::freopen(err_.c_str(), "w", stderr);
    std::vector<char*> argv;
    for (auto& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env)
      envp.push_back(e.data());
    envp.push_back(nullptr);
    execve(CORVANE_DVR, argv.data(), envp.data());
    _exit(127);
  }
}

ProgramRun::~ProgramRun() {
  if (Running()) {
    kill(pid_, SIGKILL);
    WaitExit(5000);
  }
}

bool ProgramRun::WaitStarted() {
  return testsupport::WaitUntil([this] { return Out().find("0: ") != std::string::npos; });
}

std::optional<int> ProgramRun::WaitExit(int milliseconds) {
  testsupport::WaitUntil([this] { return !Running(); }, milliseconds);
  return code_;
}

bool ProgramRun::Running() {
  if (code_ || pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

void ProgramRun::Terminate() {
  if (Running()) kill(pid_, SIGTERM);
}

std::string ProgramRun::Out() const {
  return ReadFile(out_);
}

std::string ProgramRun::Err() const {
  return ReadFile(err_);
}

std::filesystem::path DataFolder(const std::filesystem::path& home, const std::string& instance) {
  const std::filesystem::path folder = home / "data" / "Corvane DVR";
  return instance.empty() ? folder : folder / instance;
}

}  // namespace dvrtest

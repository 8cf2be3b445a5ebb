#include "tests/support/ChildProcess.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "tests/support/Bytes.h"
#include "tests/support/Wait.h"

namespace testsupport {

ChildProcess::ChildProcess(const std::filesystem::path& folder, const std::function<int()>& body) {
  static std::atomic<int> runs{0};
  const std::string n = std::to_string(runs++);
  out_ = folder / ("out" + n + ".txt");
  err_ = folder / ("err" + n + ".txt");
  std::filesystem::create_directories(folder);
  pid_ = fork();
  if (pid_ == 0) {
    std::freopen(out_.c_str(), "w", stdout);
    std::freopen(err_.c_str(), "w", stderr);
    const int code = body();
    std::fflush(stdout);
    std::fflush(stderr);
    // Nothing of the test runs on in the copy: no exit handlers, no tests.
    _exit(code);
  }
}

ChildProcess::~ChildProcess() {
  if (Running()) {
    kill(pid_, SIGKILL);
    WaitExit(5000);
  }
}

bool ChildProcess::Running() {
  if (code_ || pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

std::optional<int> ChildProcess::WaitExit(int milliseconds) {
  WaitUntil([this] { return !Running(); }, milliseconds);
  return code_;
}

void ChildProcess::Terminate() {
  if (Running()) kill(pid_, SIGTERM);
}

std::string ChildProcess::Out() const {
  return ReadText(out_);
}

std::string ChildProcess::Err() const {
  return ReadText(err_);
}

}  // namespace testsupport

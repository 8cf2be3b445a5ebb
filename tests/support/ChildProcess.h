// A process of the test's own: a forked copy of the test runs `body` (a
// command's entry point, or an exec of another program) with its standard
// output and error in files, and ends with body's result. The test waits for
// what it prints, signals it, and reads its exit code.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace testsupport {

class ChildProcess {
 public:
  // The output files go into `folder`, made when missing (numbered, so that
  // several children can share it).
  ChildProcess(const std::filesystem::path& folder, const std::function<int()>& body);
  // A child still running is killed.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Running();
  // The exit code (128 + the signal number for a signal) once the child has
  // ended within `milliseconds`.
  std::optional<int> WaitExit(int milliseconds);
  void Terminate();  // SIGTERM

  std::string Out() const;
  std::string Err() const;

 private:
  pid_t pid_ = -1;
  std::optional<int> code_;
  std::filesystem::path out_;
  std::filesystem::path err_;
};

}  // namespace testsupport

// The local socket of a running copy, named after the data folder it holds,
// so that every way to that folder (an instance name, a link) leads to the
// one copy that runs on it. The window program takes its "Open" command on
// it (SingleInstance); the recorder without a window takes the timer
// requests of the command-line tool. A request is one line; the answer is
// everything the holder writes before it closes the connection. Only the
// user's own processes are answered.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

// The socket of this user for `key` (the canonical data folder): a file in
// $XDG_RUNTIME_DIR when that is an absolute path, else in $TMPDIR or /tmp.
std::string InstanceChannelPath(std::string_view key);

inline constexpr std::size_t kMaxChannelRequest = 4096;  // with its '\n'

struct ChannelAnswer {
  enum class Status {
    kAnswered,    // `text` holds the whole answer
    kNoListener,  // nobody listens on the socket
    kNoAnswer,    // the holder closed without an answer, or took too long
    kTooLong,     // the answer was longer than allowed
  };
  Status status = Status::kNoListener;
  std::string text;
};

// Sends `request` (one line, without its '\n') to the holder of `path` and
// waits up to `patience` for the answer of at most `maxAnswer` bytes.
ChannelAnswer AskOverChannel(const std::string& path, std::string_view request,
                             std::chrono::milliseconds patience, std::size_t maxAnswer);

class ChannelServer {
 public:
  // The request line without its '\n'; nothing when no whole line of at
  // most kMaxChannelRequest bytes came within a second. Returns the answer.
  using Handler = std::function<std::string(std::optional<std::string_view> request)>;

  // Listens on `path`, replacing what a copy that died left there (only the
  // holder of the data folder calls this). Null with the reason in `error`.
  static std::unique_ptr<ChannelServer> Listen(const std::string& path, std::string* error);
  ~ChannelServer();
  ChannelServer(const ChannelServer&) = delete;
  ChannelServer& operator=(const ChannelServer&) = delete;

  // Answers requests, one at a time on the calling thread, until `until` or
  // until a signal interrupts the wait.
  void Serve(std::chrono::steady_clock::time_point until, const Handler& handler);

 private:
  ChannelServer(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  void Answer(int connection, const Handler& handler);

  int fd_;
  std::string path_;
};

}  // namespace ui

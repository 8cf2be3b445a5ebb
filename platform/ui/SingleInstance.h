// One running copy per title. The data folder the title leads to decides:
// the first start takes the folder's lock (DataFolderLock) before anything
// reads the folder, and listens on a local socket named after the folder; a
// later start finds the lock taken and hands its command (40151, "Open") to
// the running copy through that socket instead of running itself. The holder
// answers "0" when it takes the command; a recorder without a window
// ("corvane-cli daemon") refuses it. Other request lines on the socket (the
// command-line tool's timers requests) go to the request handler.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

class SingleInstance {
 public:
  enum class Outcome {
    First,       // this copy runs; the returned instance holds the lock
    HandedOver,  // another copy runs and has been given the command
    Busy,        // another copy holds the folder but took no command in time
    Refused,     // the holder takes no command: a recorder without a window
  };
  struct Claim {
    Outcome outcome;
    std::unique_ptr<SingleInstance> instance;  // with First only
  };

  // Takes the folder or hands `command` to its holder. A copy that is still
  // starting may hold the lock before it listens: the hand-over is tried
  // again until `patience` has passed. An empty folder (none could be found)
  // leaves the title alone to name the channel. The first copy needs a
  // running Application to take commands.
  static Claim Start(std::string_view title, const std::filesystem::path& dataFolder,
                     std::uint32_t command,
                     std::chrono::milliseconds patience = std::chrono::seconds(5));

  ~SingleInstance();

  // User-interface thread: where commands handed over go. Commands that came
  // before a handler was set are given to it at once.
  void SetCommandHandler(std::function<void(std::uint32_t command)> handler);

  // User-interface thread: the answer to a request line that is not a
  // command, written back before the connection closes; nothing stands for a
  // line longer than the channel takes (kMaxChannelRequest). Without a
  // handler such lines are refused.
  using RequestHandler = std::function<std::string(std::optional<std::string_view> request)>;
  void SetRequestHandler(RequestHandler handler);

 private:
  struct Impl;
  explicit SingleInstance(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui

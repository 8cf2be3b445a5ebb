#include "platform/ui/InstanceChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace ui {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::seconds kRequestTime{1};

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

bool Address(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

// Milliseconds left until `until` for poll: 0 once it has passed.
int Remaining(Clock::time_point until) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd` until `until`; false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point until) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, Remaining(until));
    if (n > 0) return true;
    if (n == 0 || errno != EINTR) return false;
  }
}

// Writes all of `data` before `until`.
bool SendAll(int fd, std::string_view data, Clock::time_point until) {
  while (!data.empty()) {
    const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return false;
    } else if (!WaitFor(fd, POLLOUT, until)) {
      return false;
    }
  }
  return true;
}

// Reads until the peer closes, `limit` bytes are exceeded (nothing) or time
// is up (nothing). A holder that answers before it has read the whole
// request resets the connection behind its answer: that ends the answer too.
std::optional<std::string> ReadToEnd(int fd, std::size_t limit, Clock::time_point until,
                                     bool* tooLong) {
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n == 0) return text;
    if (n > 0) {
      text.append(buffer, static_cast<std::size_t>(n));
      if (text.size() > limit) {
        *tooLong = true;
        return std::nullopt;
      }
    } else if (errno != EAGAIN && errno != EINTR) {
      return text;
    } else if (!WaitFor(fd, POLLIN, until)) {
      return std::nullopt;
    }
  }
}

// One line of at most kMaxChannelRequest bytes, read before `until`.
std::optional<std::string> ReadLine(int fd, Clock::time_point until) {
  std::string line;
  char buffer[512];
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n == 0) return std::nullopt;
    if (n > 0) {
      line.append(buffer, static_cast<std::size_t>(n));
      const std::size_t end = line.find('\n');
      if (end != std::string::npos) {
        if (end + 1 > kMaxChannelRequest) return std::nullopt;
        line.resize(end);
        return line;
      }
      if (line.size() >= kMaxChannelRequest) return std::nullopt;
    } else if (errno != EAGAIN && errno != EINTR) {
      return std::nullopt;
    } else if (!WaitFor(fd, POLLIN, until)) {
      return std::nullopt;
    }
  }
}

bool SameUser(int connection) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return ::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         peer.uid == ::getuid();
}

}  // namespace

std::string InstanceChannelPath(std::string_view key) {
  std::uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a
  for (const unsigned char c : key)
    hash = (hash ^ c) * 0x100000001b3ull;
  char name[64];
  std::snprintf(name, sizeof name, "corvane-dvr-%u-%016llx", static_cast<unsigned>(::getuid()),
                static_cast<unsigned long long>(hash));
  std::string folder = "/tmp";
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
    folder = runtime;
  } else if (const char* temp = std::getenv("TMPDIR"); temp && temp[0] != '\0') {
    folder = temp;
  }
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  return folder + "/" + name;
}

ChannelAnswer AskOverChannel(const std::string& path, std::string_view request,
                             std::chrono::milliseconds patience, std::size_t maxAnswer) {
  const Clock::time_point until = Clock::now() + patience;
  sockaddr_un address;
  Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (fd.get() < 0 || !Address(path, address)) return {};
  if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    // A full backlog: the holder is busy and may still take the request.
    if (errno != EAGAIN && errno != EINPROGRESS) return {};
    if (!WaitFor(fd.get(), POLLOUT, until)) return {ChannelAnswer::Status::kNoAnswer, {}};
  }
  std::string line(request);
  line += '\n';
  if (!SendAll(fd.get(), line, until)) return {ChannelAnswer::Status::kNoAnswer, {}};
  bool tooLong = false;
  auto text = ReadToEnd(fd.get(), maxAnswer, until, &tooLong);
  if (tooLong) return {ChannelAnswer::Status::kTooLong, {}};
  if (!text || text->empty()) return {ChannelAnswer::Status::kNoAnswer, {}};
  return {ChannelAnswer::Status::kAnswered, std::move(*text)};
}

std::unique_ptr<ChannelServer> ChannelServer::Listen(const std::string& path, std::string* error) {
  sockaddr_un address;
  if (!Address(path, address)) {
    *error = "the socket path is too long";
    return nullptr;
  }
  Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  ::unlink(path.c_str());
  if (fd.get() < 0 ||
      ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::chmod(path.c_str(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd.get(), 16) != 0) {
    *error = std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<ChannelServer>(new ChannelServer(fd.release(), path));
}

ChannelServer::~ChannelServer() {
  ::close(fd_);
  ::unlink(path_.c_str());
}

void ChannelServer::Serve(Clock::time_point until, const Handler& handler) {
  for (;;) {
    pollfd p{fd_, POLLIN, 0};
    // A signal ends the wait, so that the caller sees it at once.
    if (::poll(&p, 1, Remaining(until)) <= 0) return;
    for (;;) {
      const int connection = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (connection < 0) break;
      Answer(connection, handler);
      ::close(connection);
    }
  }
}

void ChannelServer::Answer(int connection, const Handler& handler) {
  if (!SameUser(connection)) return;
  const Clock::time_point until = Clock::now() + kRequestTime;
  const std::optional<std::string> line = ReadLine(connection, until);
  const std::string answer = handler(line ? std::optional<std::string_view>(*line) : std::nullopt);
  SendAll(connection, answer, Clock::now() + kRequestTime);
}

}  // namespace ui

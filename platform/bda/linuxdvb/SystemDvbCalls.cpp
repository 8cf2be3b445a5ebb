#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/bda/linuxdvb/DvbCalls.h"

namespace linuxdvb {
namespace {

// Interrupted calls are repeated; the others give -errno.
template <class F>
auto Retry(F&& call) {
  for (;;) {
    const auto result = call();
    if (result >= 0) return result;
    if (errno != EINTR) return static_cast<decltype(result)>(-errno);
  }
}

class SystemCalls : public DvbCalls {
 public:
  int Open(const std::string& path, int flags) override {
    return Retry([&] { return ::open(path.c_str(), flags | O_CLOEXEC); });
  }
  int Ioctl(int fd, unsigned long request, void* argument) override {
    return Retry([&] { return ::ioctl(fd, request, argument); });
  }
  long Read(int fd, void* buffer, std::size_t size) override {
    return Retry([&] { return static_cast<long>(::read(fd, buffer, size)); });
  }
  int Poll(int fd, short events, int timeoutMs) override {
    pollfd p{fd, events, 0};
    const int n = Retry([&] { return ::poll(&p, 1, timeoutMs); });
    return n > 0 ? p.revents : n;
  }
  void Close(int fd) override { ::close(fd); }
  std::vector<std::string> List(const std::string& folder) override {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
  }
};

}  // namespace

std::shared_ptr<DvbCalls> SystemDvbCalls() {
  static const std::shared_ptr<DvbCalls> calls = std::make_shared<SystemCalls>();
  return calls;
}

}  // namespace linuxdvb

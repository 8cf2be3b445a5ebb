#include "platform/power/LogindBus.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/power/SdBus.h"

namespace power {
namespace {

constexpr char kService[] = "org.freedesktop.login1";
constexpr char kPath[] = "/org/freedesktop/login1";
constexpr char kManager[] = "org.freedesktop.login1.Manager";

class FdLock final : public IInhibitLock {
 public:
  explicit FdLock(int fd) : fd_(fd) {}
  ~FdLock() override { ::close(fd_); }

 private:
  int fd_;
};

class LogindBus final : public IPowerBus {
 public:
  LogindBus(BusPtr calls, BusPtr signals, int wakeFd)
      : calls_(std::move(calls)), signals_(std::move(signals)), wakeFd_(wakeFd) {}
  ~LogindBus() override {
    slots_[0] = sd_bus_slot_unref(slots_[0]);
    slots_[1] = sd_bus_slot_unref(slots_[1]);
    ::close(wakeFd_);
  }

  int Subscribe() {
    static constexpr const char* kMembers[] = {"PrepareForSleep", "PrepareForShutdown"};
    for (int i = 0; i < 2; ++i) {
      const int r = sd_bus_match_signal(signals_.get(), &slots_[i], kService, kPath, kManager,
                                        kMembers[i], &LogindBus::OnMessage, this);
      if (r < 0) return r;
    }
    return 0;
  }

  std::unique_ptr<IInhibitLock> Inhibit(const InhibitRequest& request, int* error) override {
    std::lock_guard lock(callMutex_);
    sd_bus_error busError = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_call_method(calls_.get(), kService, kPath, kManager, "Inhibit", &busError,
                               &reply, "ssss", request.what.c_str(), kInhibitorWho,
                               request.why.c_str(), request.mode.c_str());
    int fd = -1;
    if (r >= 0) r = sd_bus_message_read(reply, "h", &fd);
    // The descriptor belongs to the reply: keep a copy of our own.
    if (r >= 0 && (fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 3)) < 0) r = -errno;
    sd_bus_message_unref(reply);
    sd_bus_error_free(&busError);
    if (r < 0) {
      if (error != nullptr) *error = -r;
      return nullptr;
    }
    return std::make_unique<FdLock>(fd);
  }

  bool CanBlockShutdown() const override { return true; }

  void Wait(int milliseconds, const std::function<void(const BusSignal&)>& signal) override {
    signal_ = &signal;
    // Everything already read is handled before waiting.
    Process();
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {-1, 0, 0}};
    int timeout = milliseconds;
    if (!lost_) {
      fds[1] = {sd_bus_get_fd(signals_.get()),
                static_cast<short>(sd_bus_get_events(signals_.get())), 0};
      timeout = BusTimeout(milliseconds);
    }
    if (::poll(fds, lost_ ? 1 : 2, timeout) > 0) {
      if (fds[0].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
      }
      Process();
    }
    signal_ = nullptr;
  }

  void Wake() override {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
  }

 private:
  // Handles what the signal connection has read. A lost connection is traced
  // once and not waited on again: the notices end, the locks taken stay.
  void Process() {
    if (lost_) return;
    int r = 0;
    while ((r = sd_bus_process(signals_.get(), nullptr)) > 0) {
    }
    if (r < 0) {
      lost_ = true;
      std::printf("The system bus connection was lost (%d): no more sleep notices\n", -r);
    }
  }

  // `milliseconds`, or less when sd-bus wants to be called back sooner.
  int BusTimeout(int milliseconds) {
    std::uint64_t due = UINT64_MAX;
    if (sd_bus_get_timeout(signals_.get(), &due) < 0 || due == UINT64_MAX) return milliseconds;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t nowUs =
        static_cast<std::uint64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    const std::uint64_t left = due > nowUs ? (due - nowUs + 999) / 1000 : 0;
    return left < static_cast<std::uint64_t>(milliseconds) ? static_cast<int>(left) : milliseconds;
  }

  static int OnMessage(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* bus = static_cast<LogindBus*>(self);
    int start = 0;
    if (sd_bus_message_read(message, "b", &start) < 0 || bus->signal_ == nullptr) return 0;
    const BusSignalKind kind =
        std::strcmp(sd_bus_message_get_member(message), "PrepareForSleep") == 0
            ? BusSignalKind::kPrepareForSleep
            : BusSignalKind::kPrepareForShutdown;
    (*bus->signal_)(BusSignal{kind, start != 0});
    return 0;
  }

  std::mutex callMutex_;
  BusPtr calls_;
  BusPtr signals_;
  int wakeFd_;
  sd_bus_slot* slots_[2] = {nullptr, nullptr};
  const std::function<void(const BusSignal&)>* signal_ = nullptr;
  bool lost_ = false;
};

}  // namespace

std::unique_ptr<IPowerBus> OpenLogindBus(std::string* error) {
  BusPtr calls = OpenBus(true, error);
  if (!calls) return nullptr;
  BusPtr signals = OpenBus(true, error);
  if (!signals) return nullptr;
  // A bus without logind (a container with its own bus) has no locks to give.
  if (!NameHasOwner(calls.get(), kService)) {
    if (error != nullptr) *error = "logind is not on the system bus";
    return nullptr;
  }
  const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0) {
    if (error != nullptr) *error = std::string("eventfd: ") + std::strerror(errno);
    return nullptr;
  }
  auto bus = std::make_unique<LogindBus>(std::move(calls), std::move(signals), wakeFd);
  if (const int s = bus->Subscribe(); s < 0) {
    if (error != nullptr) *error = std::string("signal match: ") + std::strerror(-s);
    return nullptr;
  }
  return bus;
}

}  // namespace power

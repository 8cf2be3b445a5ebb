#include "tests/power/FakeLogind.h"

#include <poll.h>
#include <signal.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "tests/support/ExternalTool.h"
#include "tests/support/Wait.h"

namespace power::testing {
namespace {

constexpr char kConfig[] = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <listen>unix:path=@SOCKET@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

}  // namespace

FakeLogind::FakeLogind() {
  if (!testsupport::ToolInstalled("dbus-daemon")) {
    failure_ = "dbus-daemon is not installed";
    return;
  }
  const std::string socket = (folder_ / "bus").string();
  std::string config = kConfig;
  config.replace(config.find("@SOCKET@"), 8, socket);
  const auto configPath = folder_.WriteText("bus.conf", config);
  const auto run = testsupport::RunTool("dbus-daemon --fork --print-pid --config-file=" +
                                        testsupport::ShellQuote(configPath.string()));
  if (run.status != 0 || run.output.empty()) {
    failure_ = "dbus-daemon did not start";
    return;
  }
  daemonPid_ = std::stoi(run.output);
  const std::string address = "unix:path=" + socket;
  testsupport::WaitUntil([&] { return std::filesystem::exists(socket); }, 5000);

  static const sd_bus_vtable kManager[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD(
          "Inhibit", "ssss", "h",
          [](sd_bus_message* m, void* self, sd_bus_error*) { return OnInhibit(m, self); },
          SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_SIGNAL("PrepareForSleep", "b", 0), SD_BUS_SIGNAL("PrepareForShutdown", "b", 0),
      SD_BUS_VTABLE_END};
  static const sd_bus_vtable kScreenSaver[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD(
          "SimulateUserActivity", "", "",
          [](sd_bus_message* m, void* self, sd_bus_error*) { return OnUserActivity(m, self); },
          SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END};
  if (sd_bus_new(&bus_) < 0 || sd_bus_set_address(bus_, address.c_str()) < 0 ||
      sd_bus_set_bus_client(bus_, 1) < 0 || sd_bus_start(bus_) < 0 ||
      sd_bus_add_object_vtable(bus_, &slots_[0], "/org/freedesktop/login1",
                               "org.freedesktop.login1.Manager", kManager, this) < 0 ||
      sd_bus_add_object_vtable(bus_, &slots_[1], "/org/freedesktop/ScreenSaver",
                               "org.freedesktop.ScreenSaver", kScreenSaver, this) < 0 ||
      sd_bus_request_name(bus_, "org.freedesktop.login1", 0) < 0 ||
      sd_bus_request_name(bus_, "org.freedesktop.ScreenSaver", 0) < 0) {
    failure_ = "the fake logind did not get onto the bus";
    return;
  }
  address_ = address;
  thread_ = std::thread([this] { Run(); });
}

FakeLogind::~FakeLogind() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  sd_bus_slot_unref(slots_[0]);
  sd_bus_slot_unref(slots_[1]);
  sd_bus_flush_close_unref(bus_);
  for (const InhibitCall& call : calls_)
    ::close(call.readEnd);
  KillBus();
}

void FakeLogind::KillBus() {
  if (daemonPid_ > 0) ::kill(daemonPid_, SIGTERM);
  daemonPid_ = -1;
}

int FakeLogind::OnInhibit(sd_bus_message* message, void* self) {
  auto* logind = static_cast<FakeLogind*>(self);
  const char *what, *who, *why, *mode;
  if (const int r = sd_bus_message_read(message, "ssss", &what, &who, &why, &mode); r < 0) return r;
  int ends[2];
  if (::pipe(ends) != 0) return -errno;
  {
    // Noted before the answer, so a caller that has its answer finds the call.
    std::lock_guard lock(logind->mutex_);
    logind->calls_.push_back({what, who, why, mode, ends[0]});
  }
  const int r = sd_bus_reply_method_return(message, "h", ends[1]);
  ::close(ends[1]);
  return r;
}

int FakeLogind::OnUserActivity(sd_bus_message* message, void* self) {
  ++static_cast<FakeLogind*>(self)->userActivity_;
  // The caller expects no reply; a reply would be dropped by the bus.
  return sd_bus_message_get_expect_reply(message) ? sd_bus_reply_method_return(message, "") : 1;
}

void FakeLogind::Run() {
  while (!stop_) {
    while (sd_bus_process(bus_, nullptr) > 0) {
    }
    std::unique_lock lock(mutex_);
    while (!emits_.empty()) {
      const auto [member, start] = emits_.front();
      emits_.pop_front();
      sd_bus_emit_signal(bus_, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                         member.c_str(), "b", static_cast<int>(start));
    }
    lock.unlock();
    // After the bus has gone the wait returns at once; sleep instead.
    if (sd_bus_wait(bus_, 20'000) < 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void FakeLogind::Emit(const char* member, bool start) {
  std::lock_guard lock(mutex_);
  emits_.emplace_back(member, start);
}

std::vector<InhibitCall> FakeLogind::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

bool FakeLogind::LockHeld(std::size_t index) const {
  std::lock_guard lock(mutex_);
  pollfd fd{calls_.at(index).readEnd, POLLIN, 0};
  return ::poll(&fd, 1, 0) == 0;
}

bool FakeLogind::WaitReleased(std::size_t index) const {
  int readEnd = -1;
  {
    std::lock_guard lock(mutex_);
    readEnd = calls_.at(index).readEnd;
  }
  pollfd fd{readEnd, POLLIN, 0};
  return ::poll(&fd, 1, 5000) > 0;
}

}  // namespace power::testing

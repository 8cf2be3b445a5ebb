#include "platform/power/ScreenSaver.h"

#include <mutex>

#include "platform/power/SdBus.h"

namespace power {
namespace {

constexpr char kService[] = "org.freedesktop.ScreenSaver";

class SessionScreenSaver final : public IScreenSaver {
 public:
  explicit SessionScreenSaver(BusPtr bus) : bus_(std::move(bus)) {}

  // Sent without a reply, so the caller never waits on the desktop.
  void SimulateUserActivity() override {
    std::lock_guard lock(mutex_);
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(bus_.get(), &call, kService, "/org/freedesktop/ScreenSaver",
                                       kService, "SimulateUserActivity") >= 0 &&
        sd_bus_message_set_expect_reply(call, 0) >= 0) {
      sd_bus_send(bus_.get(), call, nullptr);
    }
    sd_bus_message_unref(call);
    // Nothing here reads the bus: what it sends unasked is dropped.
    while (sd_bus_process(bus_.get(), nullptr) > 0) {
    }
  }

 private:
  std::mutex mutex_;
  BusPtr bus_;
};

}  // namespace

std::unique_ptr<IScreenSaver> OpenSessionScreenSaver() {
  BusPtr bus = OpenBus(false, nullptr);
  if (!bus || !NameHasOwner(bus.get(), kService)) return nullptr;
  return std::make_unique<SessionScreenSaver>(std::move(bus));
}

}  // namespace power

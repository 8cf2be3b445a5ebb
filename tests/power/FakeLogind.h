// A private message bus (dbus-daemon with a configuration of its own) with a
// small logind on it: Inhibit hands out the write end of a pipe and keeps the
// read end, so a test sees when the lock is released; PrepareForSleep and
// PrepareForShutdown are emitted on request. A screen saver on the same bus
// counts the activity it is told of.
#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempFolder.h"

struct sd_bus;
struct sd_bus_slot;
struct sd_bus_message;

namespace power::testing {

struct InhibitCall {
  std::string what, who, why, mode;
  int readEnd = -1;
};

class FakeLogind {
 public:
  FakeLogind();
  ~FakeLogind();
  FakeLogind(const FakeLogind&) = delete;
  FakeLogind& operator=(const FakeLogind&) = delete;

  // The bus address; empty when the bus or the fake did not start.
  const std::string& Address() const { return address_; }
  std::string Failure() const { return failure_; }

  void Emit(const char* member, bool start);
  // Ends the message bus, as when the system's bus daemon goes away.
  void KillBus();
  std::vector<InhibitCall> Calls() const;
  int UserActivity() const { return userActivity_; }
  // Whether the lock of call `index` is still held by its taker.
  bool LockHeld(std::size_t index) const;
  // Waits until the lock of call `index` is released (every copy of the
  // descriptor closed, those on their way through the bus too); false when
  // it is still held after a few seconds.
  bool WaitReleased(std::size_t index) const;

 private:
  static int OnInhibit(sd_bus_message* message, void* self);
  static int OnUserActivity(sd_bus_message* message, void* self);
  void Run();

  testsupport::TempFolder folder_{"corvane-logind"};
  std::string address_;
  std::string failure_;
  int daemonPid_ = -1;
  sd_bus* bus_ = nullptr;
  sd_bus_slot* slots_[2] = {nullptr, nullptr};
  std::atomic<int> userActivity_{0};
  mutable std::mutex mutex_;
  std::vector<InhibitCall> calls_;
  std::deque<std::pair<std::string, bool>> emits_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace power::testing

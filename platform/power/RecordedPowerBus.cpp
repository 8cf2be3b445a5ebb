#include "platform/power/RecordedPowerBus.h"

#include <algorithm>
#include <chrono>

namespace power {

class RecordedPowerBus::Lock final : public IInhibitLock {
 public:
  Lock(std::shared_ptr<Record> record, std::string name)
      : record_(std::move(record)), name_(std::move(name)) {}
  ~Lock() override {
    std::lock_guard lock(record_->mutex);
    record_->log.push_back("release " + name_);
    auto& held = record_->held;
    held.erase(std::find(held.begin(), held.end(), name_));
  }

 private:
  std::shared_ptr<Record> record_;
  std::string name_;
};

RecordedPowerBus::RecordedPowerBus() : record_(std::make_shared<Record>()) {}

std::unique_ptr<IInhibitLock> RecordedPowerBus::Inhibit(const InhibitRequest& request, int*) {
  std::string name = request.what + " " + request.mode;
  std::lock_guard lock(record_->mutex);
  record_->log.push_back("take " + name + ": " + request.why);
  record_->held.push_back(name);
  return std::make_unique<Lock>(record_, std::move(name));
}

void RecordedPowerBus::Wait(int milliseconds, const std::function<void(const BusSignal&)>& signal) {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                 [this] { return woken_ || !signals_.empty(); });
  woken_ = false;
  while (!signals_.empty()) {
    const BusSignal next = signals_.front();
    signals_.pop_front();
    lock.unlock();
    signal(next);
    lock.lock();
  }
}

void RecordedPowerBus::Wake() {
  std::lock_guard lock(mutex_);
  woken_ = true;
  wake_.notify_all();
}

void RecordedPowerBus::Post(const BusSignal& signal) {
  std::lock_guard lock(mutex_);
  signals_.push_back(signal);
  wake_.notify_all();
}

std::vector<std::string> RecordedPowerBus::Log() const {
  std::lock_guard lock(record_->mutex);
  return record_->log;
}

std::vector<std::string> RecordedPowerBus::Held() const {
  std::lock_guard lock(record_->mutex);
  return record_->held;
}

}  // namespace power

#include "platform/power/SystemWakeAlarms.h"

#include <fcntl.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace power {

TimerfdWakeAlarm::~TimerfdWakeAlarm() {
  if (fd_ >= 0) ::close(fd_);
}

int TimerfdWakeAlarm::Open() {
  if (fd_ >= 0) return 0;
  fd_ = ::timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC | TFD_NONBLOCK);
  return fd_ >= 0 ? 0 : errno;
}

// The alarm lives as long as the descriptor; nobody needs to read it, the
// wake-up itself is all it is for.
int TimerfdWakeAlarm::Set(std::int64_t utcSeconds) {
  if (fd_ < 0) return EBADF;
  itimerspec alarm{};
  alarm.it_value.tv_sec = static_cast<time_t>(utcSeconds);
  return ::timerfd_settime(fd_, TFD_TIMER_ABSTIME, &alarm, nullptr) == 0 ? 0 : errno;
}

void TimerfdWakeAlarm::Clear() {
  if (fd_ < 0) return;
  const itimerspec disarm{};
  ::timerfd_settime(fd_, 0, &disarm, nullptr);
}

int RtcWakeAlarm::Write(const std::string& text) const {
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  const ssize_t written = ::write(fd, text.data(), text.size());
  const int error = written == static_cast<ssize_t>(text.size()) ? 0 : (written < 0 ? errno : EIO);
  ::close(fd);
  return error;
}

int RtcWakeAlarm::Open() {
  return ::access(path_.c_str(), W_OK) == 0 ? 0 : errno;
}

// The RTC refuses a new time while one is set, so the old one goes first.
int RtcWakeAlarm::Set(std::int64_t utcSeconds) {
  if (const int error = Write("0"); error != 0) return error;
  return Write(std::to_string(utcSeconds));
}

void RtcWakeAlarm::Clear() {
  Write("0");
}

std::vector<std::unique_ptr<IWakeAlarm>> SystemWakeAlarms() {
  std::vector<std::unique_ptr<IWakeAlarm>> alarms;
  alarms.push_back(std::make_unique<TimerfdWakeAlarm>());
  alarms.push_back(std::make_unique<RtcWakeAlarm>());
  return alarms;
}

}  // namespace power

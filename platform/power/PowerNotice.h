// The notices the power service gives the program: the machine is going to
// sleep, has resumed, or is shutting down. They arrive on the power thread;
// the program's sink hands them on to its user-interface thread and returns
// at once.
#pragma once

#include <functional>

namespace power {

enum class PowerNotice { kSuspend, kResume, kShutdown };

using PowerNoticeSink = std::function<void(PowerNotice)>;

}  // namespace power

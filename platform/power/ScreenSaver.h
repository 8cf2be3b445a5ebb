// The desktop's screen saver: org.freedesktop.ScreenSaver on the user's
// session bus, told of user activity so that its idle time starts again.
#pragma once

#include <memory>

namespace power {

class IScreenSaver {
 public:
  virtual ~IScreenSaver() = default;
  // Restarts the screen saver's idle time; does not wait for an answer.
  virtual void SimulateUserActivity() = 0;
};

// The session's screen saver; null when there is no session bus or no screen
// saver answers on it.
std::unique_ptr<IScreenSaver> OpenSessionScreenSaver();

}  // namespace power

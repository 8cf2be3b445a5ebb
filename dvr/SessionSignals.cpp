#include "dvr/SessionSignals.h"

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <thread>

#include "platform/ui/Window.h"

namespace dvr {
namespace {

sigset_t SessionSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

void BlockSessionSignals() {
  const sigset_t set = SessionSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void WatchSessionSignals(ui::WindowId window) {
  std::thread([window] {
    const sigset_t set = SessionSet();
    for (int count = 0;; ++count) {
      int signal = 0;
      if (sigwait(&set, &signal) != 0) return;
      std::printf("Signal %d: the session ends\n", signal);
      std::fflush(stdout);
      if (count == 0) {
        ui::Post(window, ui::Message::WM_QUERYENDSESSION);
      } else {
        ui::Post(window, ui::Message::WM_ENDSESSION, 1);
      }
    }
  }).detach();
}

}  // namespace dvr

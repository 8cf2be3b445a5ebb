// Waiting for what another thread does (a streaming thread, a worker): the
// condition is polled every few milliseconds until it holds or time is up.
#pragma once

#include <chrono>
#include <thread>

namespace testsupport {

// True as soon as `done()` holds, false when it still does not after
// `milliseconds`.
template <class Done>
bool WaitUntil(Done done, int milliseconds = 10'000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace testsupport

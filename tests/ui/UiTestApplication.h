// The tests' user-interface thread: the test thread runs one Application on
// the offscreen platform (no display needed), and a window that records what
// it receives.
#pragma once

#include <functional>
#include <thread>
#include <vector>

#include "platform/ui/Window.h"

namespace uitest {

struct Received {
  ui::Message message;
  ui::WParam wParam;
  ui::LParam lParam;
  std::thread::id thread;
};

class RecordingWindow : public ui::Window {
 public:
  ui::LResult OnMessage(ui::Message message, ui::WParam wParam, ui::LParam lParam) override {
    received.push_back({message, wParam, lParam, std::this_thread::get_id()});
    if (onMessage) onMessage(received.back());
    return static_cast<ui::LResult>(wParam) + 1;
  }

  std::vector<Received> received;
  std::function<void(const Received&)> onMessage;
};

// Runs the message loop until Quit, or fails the test after `milliseconds`.
int RunLoop(int milliseconds = 10'000);

}  // namespace uitest

// The "Error!" box: every message the user must see goes through ErrorBox.
// The text is formatted printf-style and cut to 2,046 characters. The desktop
// shows it in a warning box over the main window; headless tools print it to
// standard error; tests capture it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace common {

inline constexpr std::size_t kErrorBoxCapacity = 2046;

using ErrorSink = std::function<void(const std::string& text)>;

// Replaces the sink and returns the previous one.
ErrorSink SetErrorSink(ErrorSink sink);

[[gnu::format(printf, 1, 2)]] void ErrorBox(const char* format, ...);

// Collects the messages shown while it lives (for tests and tools).
class ErrorCapture {
 public:
  ErrorCapture();
  ~ErrorCapture();
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  const std::vector<std::string>& Messages() const { return messages_; }
  void Clear() { messages_.clear(); }

 private:
  std::vector<std::string> messages_;
  ErrorSink previous_;
};

}  // namespace common

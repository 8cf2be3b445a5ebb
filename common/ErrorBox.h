// The "Error!" box: every message the user must see goes through ErrorBox, or
// through MessageBox when it has a caption of its own. The ErrorBox text is
// formatted printf-style and cut to 2,046 characters. The desktop shows either
// in a warning box over the main window; headless tools print the text to
// standard error; tests capture caption and text.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

inline constexpr std::size_t kErrorBoxCapacity = 2046;
inline constexpr char kErrorBoxCaption[] = "Error!";

using ErrorSink = std::function<void(const std::string& caption, const std::string& text)>;

// Replaces the sink and returns the previous one.
ErrorSink SetErrorSink(ErrorSink sink);

[[gnu::format(printf, 1, 2)]] void ErrorBox(const char* format, ...);

// A warning box with its own caption.
void MessageBox(std::string_view caption, std::string_view text);

// Collects the messages shown while it lives (for tests and tools).
class ErrorCapture {
 public:
  ErrorCapture();
  ~ErrorCapture();
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  const std::vector<std::string>& Messages() const { return messages_; }
  // The caption of each message, in the same order.
  const std::vector<std::string>& Captions() const { return captions_; }
  void Clear() {
    messages_.clear();
    captions_.clear();
  }

 private:
  std::vector<std::string> messages_;
  std::vector<std::string> captions_;
  ErrorSink previous_;
};

}  // namespace common

#include "common/ErrorBox.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace common {
namespace {

std::mutex& SinkMutex() {
  static std::mutex m;
  return m;
}

ErrorSink& Sink() {
  static ErrorSink sink = [](const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "%s %s", caption.c_str(), text.c_str());
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
  };
  return sink;
}

}  // namespace

ErrorSink SetErrorSink(ErrorSink sink) {
  std::lock_guard lock(SinkMutex());
  ErrorSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}

void ErrorBox(const char* format, ...) {
  char buffer[kErrorBoxCapacity + 1];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  MessageBox(kErrorBoxCaption, buffer);
}

void MessageBox(std::string_view caption, std::string_view text) {
  ErrorSink sink;
  {
    std::lock_guard lock(SinkMutex());
    sink = Sink();
  }
  if (sink) sink(std::string(caption), std::string(text));
}

ErrorCapture::ErrorCapture() {
  previous_ = SetErrorSink([this](const std::string& caption, const std::string& text) {
    captions_.push_back(caption);
    messages_.push_back(text);
  });
}

ErrorCapture::~ErrorCapture() {
  SetErrorSink(std::move(previous_));
}

}  // namespace common

// Text being built for a table dump: printf-style appends into one string.
// Line ends are written as "\n"; the file writer turns each into CR LF.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

namespace tables {

class DumpText {
 public:
  void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void Append(std::string_view text) { text_.append(text); }
  void AppendChar(char c) { text_.push_back(c); }
  // UTF-16 text as UTF-8 (the dump's stand-in for the "%S" and "%C" conversions).
  void AppendUtf16(std::u16string_view text);

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace tables

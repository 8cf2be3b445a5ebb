#include "tables/dump/DumpText.h"

#include <cstdio>

#include "common/Utf16.h"

namespace tables {

void DumpText::Print(const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof buf) {
    text_.append(buf, static_cast<std::size_t>(n));
    return;
  }
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  va_start(args, format);
  std::vsnprintf(big.data(), big.size(), format, args);
  va_end(args);
  big.resize(static_cast<std::size_t>(n));
  text_.append(big);
}

void DumpText::AppendUtf16(std::u16string_view text) {
  if (!text.empty()) text_.append(common::ToUtf8(text));
}

}  // namespace tables

// Loads profile files made from the input (held in memory) and reads them through the profile
// functions, with the section and key names that appear in the input and
// buffers of every small size. Writing one value must leave every other value
// as it was read.
#include <strings.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/com/MemoryConfig.h"
#include "platform/com/Profile.h"
#include "platform/com/Registry.h"

namespace {

constexpr std::size_t kMaxNames = 16;

using Names = std::vector<std::pair<std::string, std::string>>;

// Section and key names as they appear in the text, without a zero byte.
Names NamesIn(std::string_view text) {
  Names names;
  std::string section;
  while (!text.empty() && names.size() < kMaxNames) {
    const std::size_t end = text.find('\n');
    std::string line(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.find('\0') != std::string::npos) continue;
    while (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
    } else if (const auto eq = line.find('='); eq != std::string::npos) {
      names.emplace_back(section, line.substr(0, eq));
    }
  }
  return names;
}

std::vector<std::string> Read(const Names& names) {
  std::vector<std::string> values;
  char buffer[256];
  for (const auto& [section, key] : names) {
    const DWORD n = GetProfileStringA(section.c_str(), key.c_str(), "-", buffer, sizeof buffer);
    if (n >= sizeof buffer || buffer[n] != '\0') __builtin_trap();
    values.emplace_back(buffer, n);
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzzing::MemoryConfig files;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  files.Replace(std::string(fuzzing::kConfigRoot) + "/profile.ini", text);
  const Names names = NamesIn(text);
  const std::vector<std::string> before = Read(names);

  // Short buffers are cut and terminated.
  for (const auto& [section, key] : names) {
    char small[8];
    const DWORD capacity = 1 + static_cast<DWORD>(section.size() + key.size()) % sizeof small;
    if (GetProfileStringA(section.c_str(), key.c_str(), "", small, capacity) >= capacity) {
      __builtin_trap();
    }
    GetProfileIntA(section.c_str(), key.c_str(), -1);
  }

  if (!WriteProfileStringA("Fuzz", "written", "7\r\n8")) __builtin_trap();
  if (GetProfileIntA("Fuzz", "written", 0) != 7) __builtin_trap();
  const std::vector<std::string> after = Read(names);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const bool written = strcasecmp(names[i].first.c_str(), "Fuzz") == 0 &&
                         strcasecmp(names[i].second.c_str(), "written") == 0;
    if (!written && after[i] != before[i]) __builtin_trap();
  }
  return 0;
}

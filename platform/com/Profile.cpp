#include "platform/com/Profile.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <sstream>
#include <string>

#include "platform/com/CaseLess.h"
#include "platform/com/ConfigFiles.h"
#include "platform/com/Registry.h"

namespace {

using Section = std::map<std::string, std::string, com::CaseLess>;
using Profile = std::map<std::string, Section, com::CaseLess>;

std::mutex gProfileMutex;

std::string ProfilePath() {
  return com::ConfigRoot() + "/profile.ini";
}

// The file is small and read whole on every call, so several programs (and the
// tests' changes of folder) always see the latest values.
Profile Load() {
  Profile profile;
  std::istringstream in(com::TheConfigFiles().Read(ProfilePath()).value_or(std::string()));
  std::string line;
  Section* current = nullptr;
  while (std::getline(in, line)) {
    // Line ends of any number of carriage returns are dropped whole: a value
    // keeping one would lose it when the file is next rewritten.
    while (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      current = &profile[line.substr(1, line.size() - 2)];
    } else if (current != nullptr) {
      const auto eq = line.find('=');
      if (eq != std::string::npos) (*current)[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return profile;
}

bool Save(const Profile& profile) {
  std::ostringstream out;
  for (const auto& [name, section] : profile) {
    out << '[' << name << "]\n";
    for (const auto& [key, value] : section)
      out << key << '=' << value << '\n';
  }
  return com::TheConfigFiles().Replace(ProfilePath(), out.view());
}

}  // namespace

unsigned GetProfileIntA(LPCSTR section, LPCSTR key, int defaultValue) {
  char buf[64];
  if (GetProfileStringA(section, key, "", buf, sizeof buf) == 0) {
    return static_cast<unsigned>(defaultValue);
  }
  char* end = nullptr;
  const long value = std::strtol(buf, &end, 10);
  if (end == buf) return static_cast<unsigned>(defaultValue);
  return static_cast<unsigned>(value);
}

DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  std::string value = defaultValue ? defaultValue : "";
  if (section != nullptr && key != nullptr) {
    std::lock_guard lock(gProfileMutex);
    const Profile profile = Load();
    if (auto s = profile.find(section); s != profile.end()) {
      if (auto k = s->second.find(key); k != s->second.end()) value = k->second;
    }
  }
  const std::size_t n = std::min<std::size_t>(value.size(), size - 1);
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return static_cast<DWORD>(n);
}

BOOL WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value) {
  if (section == nullptr) return FALSE;
  std::lock_guard lock(gProfileMutex);
  Profile profile = Load();
  if (key == nullptr) {
    profile.erase(section);
  } else if (value == nullptr) {
    if (auto s = profile.find(section); s != profile.end()) s->second.erase(key);
  } else {
    std::string text(value);
    for (char& c : text) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    profile[section][key] = text;
  }
  return Save(profile) ? TRUE : FALSE;
}

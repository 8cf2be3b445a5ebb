// Loads registry files made from the input (the current user's root, held in
// memory) and reads every key and value back through the registry functions.
// A loaded tree must survive a save and a fresh load unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/com/MemoryConfig.h"
#include "platform/com/Registry.h"

namespace {

constexpr int kMaxKeys = 64;
constexpr int kMaxDepth = 8;

// Every key below `key` with its values (type, size, bytes), in order.
void Dump(HKEY key, int depth, int& keys, std::string& out) {
  std::string name;
  for (DWORD i = 0; RegEnumValueA(key, i, &name) == ERROR_SUCCESS; ++i) {
    // A name with a zero byte (possible in a damaged file) cannot be asked for.
    if (name.find('\0') != std::string::npos) continue;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), &type, nullptr, &size) != ERROR_SUCCESS) {
      __builtin_trap();
    }
    std::string bytes(size, '\0');
    if (RegQueryValueExA(key, name.c_str(), &type, bytes.data(), &size) != ERROR_SUCCESS) {
      __builtin_trap();
    }
    std::string text;
    com::RegReadString(key, name.c_str(), &text);
    out += '"' + name + "\"=" + std::to_string(type) + ':' + bytes + '\n';
  }
  for (DWORD i = 0; depth < kMaxDepth && keys < kMaxKeys; ++i) {
    if (RegEnumKeyExA(key, i, &name) != ERROR_SUCCESS) break;
    if (name.find('\0') != std::string::npos) continue;
    HKEY child = nullptr;
    if (RegOpenKeyExA(key, name.c_str(), &child) != ERROR_SUCCESS) __builtin_trap();
    ++keys;
    out += '[' + name + "]\n";
    Dump(child, depth + 1, keys, out);
    out += "[..]\n";
    RegCloseKey(child);
  }
}

std::string Dump() {
  int keys = 0;
  std::string out;
  Dump(HKEY_CURRENT_USER, 0, keys, out);
  return out;
}

const std::string kUserFile = std::string(fuzzing::kConfigRoot) + "/registry/HKEY_CURRENT_USER.reg";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzzing::MemoryConfig files;
  files.Replace(kUserFile, std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string loaded = Dump();

  // A change writes the whole root back; undoing it leaves the tree as loaded.
  DWORD type = 0, length = 0;
  const bool existed =
      RegQueryValueExA(HKEY_CURRENT_USER, "probe", &type, nullptr, &length) == ERROR_SUCCESS;
  std::string old(length, '\0');
  RegQueryValueExA(HKEY_CURRENT_USER, "probe", &type, old.data(), &length);
  if (RegSetValueExA(HKEY_CURRENT_USER, "probe", REG_DWORD, "\1\0\0\0", 4) != ERROR_SUCCESS) {
    __builtin_trap();
  }
  const LONG undone = existed ? RegSetValueExA(HKEY_CURRENT_USER, "probe", type, old.data(), length)
                              : RegDeleteValueA(HKEY_CURRENT_USER, "probe");
  if (undone != ERROR_SUCCESS) __builtin_trap();
  // Put back as if another program had written it: the store reads it again.
  files.Replace(kUserFile, files.Read(kUserFile).value_or(""));
  if (Dump() != loaded) __builtin_trap();
  return 0;
}

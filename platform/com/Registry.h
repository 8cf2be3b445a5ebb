// A small persistent registry in the role of the platform's: keys named by
// paths with '\\' separators under the predefined roots, each key holding named
// values of a type (text, 32-bit number, binary). Key and value names compare
// without regard to case. Every change is written through to one file per root
// under ConfigRoot()/registry, so another run of the program sees it.
//
// Results are the platform's error numbers: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND
// (no such key or value), ERROR_MORE_DATA (buffer too small), ERROR_NO_MORE_ITEMS
// (end of an enumeration), ERROR_INVALID_HANDLE.
#pragma once

#include <string>

#include "platform/com/HResult.h"
#include "platform/com/Types.h"

struct RegistryKey;
using HKEY = RegistryKey*;

extern const HKEY HKEY_CLASSES_ROOT;
extern const HKEY HKEY_CURRENT_USER;
extern const HKEY HKEY_LOCAL_MACHINE;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_QWORD = 11;

// Opens a key, creating it and its missing parents. *key must be closed.
LONG RegCreateKeyExA(HKEY parent, LPCSTR subKey, HKEY* key);
// Opens an existing key (an empty or null sub-key opens the parent again).
LONG RegOpenKeyExA(HKEY parent, LPCSTR subKey, HKEY* key);
LONG RegCloseKey(HKEY key);
// A null or empty name is the key's default value. Text values (REG_SZ) are
// stored with their terminating zero, as given.
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD type, const void* data, DWORD size);
// With data null only *type and *size are filled in. *size is in and out.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* type, void* data, DWORD* size);
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);
// Deletes a sub-key with everything below it.
LONG RegDeleteTreeA(HKEY key, LPCSTR subKey);
// The name of the index-th direct sub-key, in order of name.
LONG RegEnumKeyExA(HKEY key, DWORD index, std::string* name);
// The name of the index-th value, in order of name.
LONG RegEnumValueA(HKEY key, DWORD index, std::string* name);

namespace com {

// The folder of the program's configuration: the environment variable
// CORVANE_CONFIG_DIR when set, else "$XDG_CONFIG_HOME/Corvane DVR", else
// "~/.config/Corvane DVR". SetConfigRoot overrides all three (tests point it at a
// temporary folder); the stores re-read their files after a change of root.
std::string ConfigRoot();
void SetConfigRoot(const std::string& folder);

// Text convenience over RegQueryValueExA: the REG_SZ value without its zero.
bool RegReadString(HKEY key, const char* valueName, std::string* text);
LONG RegWriteString(HKEY key, const char* valueName, const std::string& text);

}  // namespace com

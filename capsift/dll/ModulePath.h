// The full path of the file this code was loaded from (the shared library
// when it is built into one, else the program), for "InprocServer32".
#pragma once

#include <cstdint>
#include <string>

namespace capsift {

// Empty when the path cannot be found.
std::string ModulePath();

// The path of the mapped file holding `address`, looked up in a process map
// listing of the form of /proc/self/maps ("start-end perms offset dev inode
// path" per line, addresses in hexadecimal). Empty when no line covers it.
std::string FindMappedFile(const std::string& maps, std::uintptr_t address);

}  // namespace capsift

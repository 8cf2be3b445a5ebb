// The command line, the instance name and what follows from it: the window
// title and the data folder.
#pragma once

#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace app {

inline constexpr std::u16string_view kProductName = u"Corvane DVR";
inline constexpr std::size_t kMaxInstanceName = 63;

struct CommandLineOptions {
  bool launch = true;           // false after "-nolaunch": start hidden in the tray
  bool showSettings = false;    // "-settings": the Settings dialog before the first start
  bool log = false;             // "-log"
  std::u16string instanceName;  // "-instance" <name>, at most 63 characters
  // A "-instance" value that is not a plain folder name (see
  // IsPlainInstanceName): refused, the instance name stays empty and the
  // program says so and ends instead of running under another copy's folder.
  std::u16string refusedInstanceName;
};

// True for a name that is one folder of its own below "Corvane DVR": not "."
// or "..", and without "/", "\" or control characters.
bool IsPlainInstanceName(std::u16string_view name);

// Parses the arguments (the program path first). Every argument is compared
// with every option, case-insensitively; the value after "-instance" is not
// skipped, so it is compared too. Each argument is echoed as "%d: %ws\n".
// An instance name longer than 63 characters is cut to its first 63.
CommandLineOptions ParseCommandLine(std::span<const std::u16string> args, std::FILE* echo);

// "Corvane DVR", or "Corvane DVR (<instance>)".
std::u16string WindowTitle(std::u16string_view instanceName);

// The data folder below the user's data home: "Corvane DVR" and, with an
// instance name, a sub-folder of that name. A name that is not a plain folder
// name ("/" inside, "." or "..") is made into one, so the folder always lies
// inside "Corvane DVR".
std::filesystem::path DataFolderSubPath(std::u16string_view instanceName);

// Finds (and creates) the data folder; on failure shows "Can not get data
// folder path. Error %s" and returns an empty path.
std::filesystem::path FindDataFolder(std::u16string_view instanceName);

}  // namespace app

// The commands of corvane-cli: each takes its arguments (after the command's
// own words) and returns the process exit code.
#pragma once

#include <span>
#include <string>

namespace cli {

using Args = std::span<const std::string>;

struct CliCommand {
  const char* words;  // "settings show"
  const char* usage;  // arguments after the words
  const char* help;
  int (*run)(Args args);
};

int SettingsShow(Args args);
int SettingsRoundtrip(Args args);
int Status(Args args);

}  // namespace cli

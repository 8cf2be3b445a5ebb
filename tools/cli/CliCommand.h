// The commands of corvane-cli. Each command file registers its commands with a
// static CommandRegistration; main() finds them by their words.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace cli {

using Args = std::span<const std::string>;

struct CliCommand {
  const char* words;  // "settings show"
  const char* usage;  // arguments after the words
  const char* help;
  int (*run)(Args args);  // returns the exit code
};

// All registered commands, in registration order.
std::vector<CliCommand>& Commands();

struct CommandRegistration {
  explicit CommandRegistration(CliCommand command) { Commands().push_back(command); }
};

}  // namespace cli

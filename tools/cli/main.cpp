// corvane-cli: the headless companion of Corvane DVR.
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "common/ErrorBox.h"
#include "tools/cli/CliCommand.h"

namespace cli {

std::vector<CliCommand>& Commands() {
  static std::vector<CliCommand> commands;
  return commands;
}

}  // namespace cli

namespace {

void Usage(std::FILE* out) {
  std::fprintf(out, "usage: corvane-cli COMMAND [ARGS]\n\ncommands:\n");
  for (const auto& c : cli::Commands()) {
    std::fprintf(out, "  %-20s %-10s %s\n", c.words, c.usage, c.help);
  }
}

std::vector<std::string> Words(const char* words) {
  std::istringstream in(words);
  std::vector<std::string> out;
  for (std::string w; in >> w;)
    out.push_back(w);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  // Messages meant for the error box go to standard error, as they are.
  common::SetErrorSink([](const std::string&, const std::string& text) {
    std::fputs(text.c_str(), stderr);
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
  });
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    Usage(args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  for (const auto& c : cli::Commands()) {
    const std::vector<std::string> words = Words(c.words);
    if (args.size() < words.size()) continue;
    if (!std::equal(words.begin(), words.end(), args.begin())) continue;
    return c.run(cli::Args(args).subspan(words.size()));
  }
  std::fprintf(stderr, "corvane-cli: unknown command \"%s\"\n\n", args[0].c_str());
  Usage(stderr);
  return 2;
}

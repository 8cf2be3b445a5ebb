// Runs the external programs some tests check their output with (ffprobe,
// ffmpeg), and commands of this process with their output captured. A test that needs one starts
// with CORVANE_REQUIRE_TOOLS, which skips it with a message where the program is not installed.
#pragma once

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace testsupport {

// True when `name` is a program on PATH.
bool ToolInstalled(std::string_view name);
// The first of `names` that is not installed, empty when all are.
std::string MissingTool(std::initializer_list<std::string_view> names);

struct ToolRun {
  int status = -1;     // as std::system and pclose return it: 0 for success
  std::string output;  // standard output (add 2>&1 to the command for errors too)
};

// Runs a shell command line and collects its standard output.
ToolRun RunTool(const std::string& commandLine);

struct StreamsRun {
  int code = -1;
  std::string out, err;
};

// Runs a command of this process (a corvane-cli command's entry point) with
// temporary files as its output and error streams; what they held.
StreamsRun RunWithStreams(const std::function<int(std::FILE* out, std::FILE* err)>& command);

// Single quotes for a shell word (a path with spaces or quotes).
std::string ShellQuote(std::string_view word);

}  // namespace testsupport

// Skips the current test, with a message, when one of the programs is missing.
#define CORVANE_REQUIRE_TOOLS(...)                                                               \
  do {                                                                                           \
    if (const std::string missing = ::testsupport::MissingTool({__VA_ARGS__}); !missing.empty()) \
      GTEST_SKIP() << missing << " is not installed";                                            \
  } while (false)

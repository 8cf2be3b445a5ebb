#include "tests/support/ExternalTool.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace testsupport {

bool ToolInstalled(std::string_view name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  const std::string_view folders(path);
  for (std::size_t start = 0; start <= folders.size();) {
    std::size_t end = folders.find(':', start);
    if (end == std::string_view::npos) end = folders.size();
    const std::filesystem::path file =
        std::filesystem::path(std::string(folders.substr(start, end - start))) / name;
    if (end > start && ::access(file.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

std::string MissingTool(std::initializer_list<std::string_view> names) {
  for (std::string_view name : names)
    if (!ToolInstalled(name)) return std::string(name);
  return {};
}

ToolRun RunTool(const std::string& commandLine) {
  ToolRun run;
  std::FILE* pipe = popen(commandLine.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> buffer;
  while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
    run.output.append(buffer.data(), n);
  run.status = pclose(pipe);
  return run;
}

namespace {

std::string ReadAndClose(std::FILE* file) {
  std::string text;
  if (file == nullptr) return text;
  std::rewind(file);
  std::array<char, 4096> buffer;
  while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file))
    text.append(buffer.data(), n);
  std::fclose(file);
  return text;
}

}  // namespace

StreamsRun RunWithStreams(const std::function<int(std::FILE* out, std::FILE* err)>& command) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  StreamsRun run;
  run.code = command(out, err);
  run.out = ReadAndClose(out);
  run.err = ReadAndClose(err);
  return run;
}

std::string ShellQuote(std::string_view word) {
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace testsupport

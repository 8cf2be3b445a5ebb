// "broadcast write" and "broadcast list": the simulated broadcast as capture
// files, and what is on the air where.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/TimeBase.h"
#include "tools/broadcast/CaptureWriter.h"
#include "tools/broadcast/Description.h"
#include "tools/broadcast/Listing.h"
#include "tools/cli/CliCommand.h"

namespace cli {
namespace {

// The description named by --description, or the sample broadcast.
bool LoadDescription(const std::string& path, broadcast::BroadcastDescription& out) {
  std::string text;
  if (path.empty()) {
    text = broadcast::SampleBroadcastText();
  } else {
    std::ifstream in(path);
    if (!in) {
      std::fprintf(stderr, "corvane-cli: cannot open \"%s\"\n", path.c_str());
      return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
  }
  std::string error;
  if (!broadcast::ParseBroadcastDescription(text, out, error)) {
    std::fprintf(stderr, "corvane-cli: %s: %s\n", path.empty() ? "sample broadcast" : path.c_str(),
                 error.c_str());
    return false;
  }
  return true;
}

int BroadcastWrite(Args args) {
  std::string description, out;
  double seconds = 10;
  for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
    if (args[i] == "--description") {
      description = args[i + 1];
    } else if (args[i] == "--seconds") {
      seconds = std::atof(args[i + 1].c_str());
    } else if (args[i] == "--out") {
      out = args[i + 1];
    } else {
      out.clear();
      break;
    }
  }
  if (out.empty() || args.size() % 2 != 0 || seconds <= 0) {
    std::fprintf(stderr,
                 "usage: corvane-cli broadcast write [--description FILE] --seconds N --out DIR\n");
    return 2;
  }
  broadcast::BroadcastDescription parsed;
  if (!LoadDescription(description, parsed)) return 2;
  std::vector<std::filesystem::path> written;
  std::string error;
  const bool ok = broadcast::WriteCaptures(parsed, seconds, out, {}, written, error);
  for (const auto& file : written)
    std::printf("%s\n", file.c_str());
  if (!ok) {
    std::fprintf(stderr, "corvane-cli: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

int BroadcastList(Args args) {
  std::string description;
  if (args.size() == 2 && args[0] == "--description") {
    description = args[1];
  } else if (!args.empty()) {
    std::fprintf(stderr, "usage: corvane-cli broadcast list [--description FILE]\n");
    return 2;
  }
  broadcast::BroadcastDescription parsed;
  if (!LoadDescription(description, parsed)) return 2;
  for (const std::string& line : broadcast::ListBroadcast(parsed, common::NowUtc())) {
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

const CommandRegistration kWrite({"broadcast write", "[--description F] --seconds N --out DIR",
                                  "write every simulated multiplex as a capture file",
                                  BroadcastWrite});
const CommandRegistration kList({"broadcast list", "[--description FILE]",
                                 "what is on the air where", BroadcastList});

}  // namespace
}  // namespace cli

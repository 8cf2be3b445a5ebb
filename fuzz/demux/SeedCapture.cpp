// Writes the sample broadcast's multiplexes as transport-stream captures, the
// raw material of the demultiplexer's seeds (fuzz/make_seeds.py cuts them up).
// Usage: demux_seed_capture SECONDS FOLDER
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/broadcast/CaptureWriter.h"
#include "tools/broadcast/Description.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: demux_seed_capture SECONDS FOLDER\n");
    return 2;
  }
  broadcast::BroadcastDescription description;
  std::string error;
  if (!broadcast::ParseBroadcastDescription(broadcast::SampleBroadcastText(), description, error)) {
    std::fprintf(stderr, "sample broadcast: %s\n", error.c_str());
    return 1;
  }
  std::vector<std::filesystem::path> written;
  if (!broadcast::WriteCaptures(description, std::atof(argv[1]), argv[2], {}, written, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  for (const auto& file : written)
    std::printf("%s\n", file.c_str());
  return 0;
}

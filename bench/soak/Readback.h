// Reads a recording back with the program's own programme-stream reader (the
// one behind its "MPEG-2 Source"), and optionally with ffprobe.
#pragma once

#include <cstdint>
#include <filesystem>

namespace soak {

struct Readback {
  std::uint64_t bytes = 0;
  std::uint64_t packs = 0;
  std::uint64_t videoPayloads = 0;
  std::uint64_t audioPayloads = 0;
  bool ok = false;  // opened and read to its end, with pictures
  bool probed = false;
  bool probeOk = false;  // ffprobe read it without an error
};

Readback ReadBack(const std::filesystem::path& file, bool ffprobe);

}  // namespace soak

// Writes synthetic multiplexes to transport-stream capture files, as fast as
// they can be made (the stream's own clock still advances at the multiplex rate).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tools/broadcast/Description.h"
#include "tools/broadcast/Multiplex.h"

namespace broadcast {

// `seconds` of the multiplex (rounded up to whole packets) into `file`.
bool WriteCapture(const MultiplexDescription& multiplex, double seconds,
                  const std::filesystem::path& file, const MultiplexOptions& options,
                  std::string& error);

// Every synthetic multiplex of the description into `folder` (created when
// missing) under its CaptureFileName(); the paths written go to `written`.
bool WriteCaptures(const BroadcastDescription& description, double seconds,
                   const std::filesystem::path& folder, const MultiplexOptions& options,
                   std::vector<std::filesystem::path>& written, std::string& error);

}  // namespace broadcast

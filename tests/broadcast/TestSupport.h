// Shared set-up of the simulator's tests: a fixed clock, a private loop cache
// and small pictures so that encoding stays cheap.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/TempFolder.h"
#include "tools/broadcast/Description.h"
#include "tools/broadcast/Multiplex.h"

namespace broadcast::test {

// 2026-12-07 22:40:10 UTC.
inline constexpr std::int64_t kTestUtc = 1796683210;

inline std::filesystem::path TestCacheFolder() {
  return testsupport::BuildCacheFolder("broadcast");
}

inline MultiplexOptions TestOptions() {
  MultiplexOptions o;
  o.clock = [] { return kTestUtc * 1'000'000; };
  o.cacheFolder = TestCacheFolder();
  o.loop.width = 176;
  o.loop.height = 144;
  o.loop.frames = 60;
  o.loop.videoBitRate = 400'000;
  return o;
}

inline MultiplexDescription ParseOne(const std::string& text) {
  BroadcastDescription d;
  std::string error;
  if (!ParseBroadcastDescription(text, d, error) || d.multiplexes.empty()) return {};
  return d.multiplexes.front();
}

inline const char* kAtscText = R"(multiplex us 7 8vsb synthetic T
  tsid 0x0701
  channel 7.1 program=1 name=ONE guide=news
  channel 7.2 program=2 name=TWO guide=weather
  channel 7.9 program=9 name=HIDDEN hidden hide-guide
  channel 1001 program=3 name=ONEPART guide=movies
  channel 9.0 name=ANALOG analog tsid=0x0901 source=0x0109
)";

}  // namespace broadcast::test

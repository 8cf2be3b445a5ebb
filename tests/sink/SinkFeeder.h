// Drives a sink core the way the three input pins would.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "filters/sink/Mpeg2SinkCore.h"
#include "tests/sink/TestSupport.h"

namespace filters::test {

struct SinkFeeder {
  Mpeg2SinkCore& sink;
  FilterClock clock{true, 0};

  void Send(PinType pin, const std::vector<std::uint8_t>& data, std::optional<std::int64_t> start,
            bool discontinuity = false) {
    InputSample s;
    s.data = data;
    s.timed = start.has_value();
    s.start = start.value_or(0);
    s.stop = s.start + 1;
    s.discontinuity = discontinuity;
    sink.Receive(pin, s, clock);
  }
};

// A synthetic programme of `seconds`: 30 pictures a second (one timed sample
// each, a sequence header every 15 pictures), AC-3 frames every 32 ms (two per
// timed sample), one text sample a second. Returns the streams as sent.
struct SentStreams {
  std::vector<std::uint8_t> video, audio, text;
  std::vector<std::int64_t> videoTimes, audioTimes, textTimes;  // 100 ns
};
SentStreams FeedProgramme(SinkFeeder& feeder, double seconds, std::int64_t startTime = 0,
                          bool advanceClock = true);

// A chunk list "s.lst" in the folder with three chunks: 0-20 s in chunk 0,
// 15:01-15:20 in chunk 1, 30:02-30:20 in chunk 2.
void WriteThreeChunks(const TempDir& dir);

}  // namespace filters::test

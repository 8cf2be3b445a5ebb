#include "tests/sink/SinkFeeder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace filters::test {

SentStreams FeedProgramme(SinkFeeder& feeder, double seconds, std::int64_t startTime,
                          bool advanceClock) {
  SentStreams sent;
  const std::int64_t end = startTime + static_cast<std::int64_t>(seconds * 10'000'000);
  std::int64_t nextVideo = startTime, nextAudio = startTime, nextText = startTime;
  int picture = 0;
  std::uint8_t seed = 1;
  while (nextVideo < end || nextAudio < end || nextText < end) {
    const std::int64_t now = std::min({nextVideo, nextAudio, nextText});
    if (advanceClock) feeder.clock.streamTime = now;
    if (now == nextAudio) {
      std::vector<std::uint8_t> data = Ac3Frame(14, seed++);  // 112 kbit/s
      const auto second = Ac3Frame(14, seed++);
      data.insert(data.end(), second.begin(), second.end());
      feeder.Send(PinType::kAudio, data, now);
      sent.audio.insert(sent.audio.end(), data.begin(), data.end());
      sent.audioTimes.push_back(now);
      nextAudio += 640'000;
    } else if (now == nextVideo) {
      std::vector<std::uint8_t> data;
      if (picture % 15 == 0) data = SequenceHeader(4);
      const auto pic =
          Picture(static_cast<unsigned>(picture % 15), 3000 + (picture % 7) * 900, seed++);
      data.insert(data.end(), pic.begin(), pic.end());
      // Pins deliver in pieces of up to 4096 bytes; only the first is timed.
      for (std::size_t off = 0; off < data.size(); off += 4096) {
        const std::vector<std::uint8_t> piece(
            data.begin() + static_cast<std::ptrdiff_t>(off),
            data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), off + 4096)));
        feeder.Send(PinType::kVideo, piece,
                    off == 0 ? std::optional<std::int64_t>(now) : std::nullopt);
      }
      sent.video.insert(sent.video.end(), data.begin(), data.end());
      sent.videoTimes.push_back(now);
      ++picture;
      nextVideo = startTime + picture * 333'667;
    } else {
      std::vector<std::uint8_t> data = {
          0x0C, 0x02, 0x00, 'O', 0x00, static_cast<std::uint8_t>('a' + sent.textTimes.size() % 26),
          0x00};
      feeder.Send(PinType::kText, data, now);
      sent.text.insert(sent.text.end(), data.begin(), data.end());
      sent.textTimes.push_back(now);
      nextText += 10'000'000;
    }
  }
  return sent;
}

void WriteThreeChunks(const TempDir& dir) {
  constexpr std::int64_t kSecond = 10'000'000, kMinute = 60 * kSecond;
  Mpeg2SinkCore sink;
  SinkFeeder feeder{sink};
  ASSERT_EQ(sink.SetFileName(dir.File("s.lst").c_str(), feeder.clock), FileNameResult::kOpened);
  FeedProgramme(feeder, 20.0, 0);
  FeedProgramme(feeder, 20.0, 15 * kMinute + kSecond);
  FeedProgramme(feeder, 20.0, 30 * kMinute + 2 * kSecond);
  ASSERT_EQ(sink.List().newest, 2);
}

}  // namespace filters::test

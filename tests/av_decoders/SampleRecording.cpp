#include "tests/av_decoders/SampleRecording.h"

#include <algorithm>

#include "filters/sink/Mpeg2SinkCore.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "tests/sink/SinkFeeder.h"
#include "tests/support/TempFolder.h"
#include "tools/broadcast/Description.h"
#include "tools/broadcast/ElementaryLoop.h"

namespace avtest {
namespace {

REFERENCE_TIME From90k(std::uint64_t ticks) {
  return static_cast<REFERENCE_TIME>(ticks) * 1000 / 9;
}

struct Unit {
  filters::PinType pin;
  const broadcast::Bytes* data;
  REFERENCE_TIME pts, dts;
};

}  // namespace

bool WriteSampleRecording(const std::filesystem::path& folder, int damagedPicture,
                          SampleRecording& out, std::string& error) {
  const broadcast::BroadcastDescription sample = broadcast::SampleBroadcast();
  const broadcast::ChannelDescription* kfiv = nullptr;
  for (const auto& mux : sample.multiplexes)
    for (const auto& channel : mux.channels)
      if (channel.name == "KFIV") kfiv = &channel;
  if (kfiv == nullptr) {
    error = "no KFIV in the sample broadcast";
    return false;
  }
  const broadcast::LoopOptions options;
  broadcast::EncodedLoop loop;
  if (!broadcast::LoadOrEncodeLoop(*kfiv, options, testsupport::BuildCacheFolder("broadcast"), loop,
                                   error)) {
    return false;
  }
  if (damagedPicture >= 0) {
    broadcast::Bytes& bytes = loop.video.at(static_cast<std::size_t>(damagedPicture)).data;
    for (std::size_t i = bytes.size() / 3; i < 2 * bytes.size() / 3; ++i)
      bytes[i] = static_cast<std::uint8_t>(0x80 | ((i * 37) & 0x7F));
  }

  std::vector<Unit> units;
  for (const auto& u : loop.video)
    units.push_back({filters::PinType::kVideo, &u.data, From90k(u.pts), From90k(u.dts)});
  for (const auto& u : loop.audio) {
    if (u.pts >= loop.videoDuration) break;
    units.push_back({filters::PinType::kAudio, &u.data, From90k(u.pts), From90k(u.dts)});
  }
  std::stable_sort(units.begin(), units.end(),
                   [](const Unit& a, const Unit& b) { return a.dts < b.dts; });

  // Starts one second in, as a live stream would; a text sample a second.
  constexpr REFERENCE_TIME kOffset = 10'000'000;
  // A sink given a file without a list keeps its own list in the current
  // folder: the recording's folder, for the time of writing.
  struct CurrentFolder {
    explicit CurrentFolder(const std::filesystem::path& folder)
        : previous(std::filesystem::current_path()) {
      std::filesystem::current_path(folder);
    }
    ~CurrentFolder() { std::filesystem::current_path(previous); }
    std::filesystem::path previous;
  } inFolder(folder);
  filters::Mpeg2SinkCore sink;
  filters::test::SinkFeeder feeder{sink};
  out.path = folder / "kfiv.mpg";
  if (sink.SetFileName(filters::test::U16(out.path).c_str(), feeder.clock) !=
      filters::FileNameResult::kOpened) {
    error = "the sink cannot open " + out.path.string();
    return false;
  }
  REFERENCE_TIME nextText = 0;
  for (const Unit& u : units) {
    feeder.clock.streamTime = u.dts + kOffset;
    for (; nextText <= u.dts; nextText += 10'000'000)
      feeder.Send(filters::PinType::kText, {0x0C, 0x01, 0x00, 'T', 0x00}, nextText + kOffset);
    const broadcast::Bytes& data = *u.data;
    for (std::size_t pos = 0; pos < data.size(); pos += 4096) {
      const auto end =
          data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), pos + 4096));
      feeder.Send(u.pin,
                  std::vector<std::uint8_t>(data.begin() + static_cast<std::ptrdiff_t>(pos), end),
                  pos == 0 ? std::optional<std::int64_t>(u.pts + kOffset) : std::nullopt);
    }
  }
  // The sink writes an access unit once the next one begins: a sequence end
  // code closes the last picture, more AC-3 frames the last sound.
  feeder.clock.streamTime += 10'000'000;
  const REFERENCE_TIME end = From90k(loop.videoDuration) + kOffset;
  feeder.Send(filters::PinType::kVideo, {0x00, 0x00, 0x01, 0xB7}, end);
  for (int i = 0; i < 2; ++i)
    feeder.Send(filters::PinType::kAudio, loop.audio.at(static_cast<std::size_t>(i)).data, end);
  sink.Stop();
  // The frames of the file, as its reader gives them (all of one size).
  filters::Mpeg2SourceCore reader;
  if (FAILED(reader.Load(filters::test::U16(out.path).c_str()))) {
    error = "the recording cannot be read";
    return false;
  }
  std::size_t audioBytes = 0;
  filters::SourceRead read;
  while (reader.ReadNext(read) == filters::ReadStatus::kData) {
    for (const filters::SourcePayload& p : read.payloads)
      if (p.stream == filters::PinType::kAudio) audioBytes += p.bytes.size();
  }
  out.audioFrames = audioBytes / loop.audio.front().data.size();
  out.pictures = loop.video.size();
  out.width = options.width;
  out.height = options.height;
  out.duration = From90k(loop.videoDuration);
  return true;
}

}  // namespace avtest

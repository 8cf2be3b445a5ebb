#include "tools/cli/play/Decoding.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>

#include "graph/player/StreamBufferPlayback.h"
#include "platform/av/AvClasses.h"
#include "platform/av/NullRenderer.h"
#include "platform/av/audio/AudioRenderer.h"
#include "platform/av/decoders/Ac3Decoder.h"
#include "platform/av/decoders/DecoderClasses.h"
#include "platform/av/decoders/Mpeg2VideoDecoder.h"
#include "platform/av/line21/Line21Interfaces.h"
#include "platform/av/video/FrameSink.h"
#include "platform/av/video/SurfaceTable.h"
#include "platform/media/MediaClasses.h"

namespace cli {
namespace {

constexpr std::int64_t kUnitsPerSecond = 10'000'000;
// A list's newest chunk may grow for ever: decoding ends once nothing has
// arrived for this long.
constexpr auto kIdleEnd = std::chrono::milliseconds(1500);

double Seconds(REFERENCE_TIME time) {
  return static_cast<double>(time) / kUnitsPerSecond;
}

template <class Decoder>
std::optional<av::DecoderStats> StatsOf(const ComPtr<IBaseFilter>& filter) {
  auto* decoder = dynamic_cast<Decoder*>(filter.Get());
  if (decoder == nullptr) return std::nullopt;
  return decoder->Stats();
}

void PrintStream(std::FILE* out, const char* name, const std::optional<av::DecoderStats>& stats) {
  if (!stats) {
    std::fprintf(out, "%s: no decoder\n", name);
    return;
  }
  std::fprintf(out, "%s: %llu frames", name, static_cast<unsigned long long>(stats->frames));
  if (stats->timedFrames > 0)
    std::fprintf(out, ", %.3f s to %.3f s", Seconds(stats->firstStart), Seconds(stats->lastStart));
  std::fprintf(out, ", %llu decode errors\n", static_cast<unsigned long long>(stats->decodeErrors));
}

}  // namespace

graph::PlayerOptions HeadlessPlayerOptions(const std::u16string& videoDecoder,
                                           const std::u16string& audioDecoder, bool paced,
                                           bool captions) {
  media::RegisterClasses();
  av::RegisterClasses();
  av::RegisterDecoders();
  graph::UseStreamBufferSource();
  graph::PlayerOptions options;
  options.videoDecoder = videoDecoder.empty() ? av::Mpeg2VideoDecoderDisplayName() : videoDecoder;
  options.audioDecoder = audioDecoder.empty() ? av::Ac3DecoderDisplayName() : audioDecoder;
  // The windowless renderer takes the Line 21 decoder's pictures.
  options.rendererKind = captions ? 6 : 5;
  options.captionsOn = captions;
  options.area = {0, 0, 720, 480};
  // Faster than real time the sound card would set the pace.
  options.audioRenderer = paced ? CLSID_DSoundRender : CLSID_NullRenderer;
  options.paced = paced;
  return options;
}

class SecondSnapshots::Sink : public av::video::CFrameSink {
 public:
  explicit Sink(std::filesystem::path folder) : folder_(std::move(folder)) {}

  void Present(const av::video::VideoFrame& frame) override {
    CFrameSink::Present(frame);
    const std::int64_t second = frame.streamTime / kUnitsPerSecond;
    if (second < next_) return;
    next_ = second + 1;
    char name[32];
    std::snprintf(name, sizeof name, "%06lld.png", static_cast<long long>(second));
    if (Snapshot((folder_ / name).string())) ++saved_;
  }
  int Saved() const { return saved_.load(); }

 private:
  std::filesystem::path folder_;
  std::int64_t next_ = 0;  // the streaming thread's
  std::atomic<int> saved_{0};
};

SecondSnapshots::SecondSnapshots(std::filesystem::path folder, graph::VideoWindowState& window)
    : sink_(std::make_shared<Sink>(std::move(folder))), window_(window) {
  std::shared_ptr<Sink> sink = sink_;
  av::video::SetWindowMaker([sink](OAHWND) { return sink; });
  window_.videoWindow = av::video::PublishSurface(sink_);
}

SecondSnapshots::~SecondSnapshots() {
  av::video::SetWindowMaker(nullptr);
  av::video::WithdrawSurface(window_.videoWindow);
  window_.videoWindow = 0;
}

int SecondSnapshots::Saved() const {
  return sink_->Saved();
}

std::uint64_t VideoFramesDecoded(graph::PlayerGraph& player) {
  const auto stats = StatsOf<av::CMpeg2VideoDecoder>(player.VideoDecoder());
  return stats ? stats->frames : 0;
}

bool WaitForEnd(graph::PlayerGraph& player) {
  ComPtr<IMediaEventEx> events;
  if (const ComPtr<IGraphBuilder> graph = player.Graph()) graph.As(&events);
  if (!events) return false;
  std::uint64_t frames = VideoFramesDecoded(player);
  auto lastChange = std::chrono::steady_clock::now();
  for (;;) {
    LONG code = 0;
    LONG_PTR first = 0, second = 0;
    if (events->GetEvent(&code, &first, &second, 50) == S_OK) {
      events->FreeEventParams(code, first, second);
      if (code == EC_COMPLETE) return true;
    }
    const std::uint64_t now = VideoFramesDecoded(player);
    if (now != frames) {
      frames = now;
      lastChange = std::chrono::steady_clock::now();
    } else if (std::chrono::steady_clock::now() - lastChange > kIdleEnd) {
      return false;
    }
  }
}

CaptionLines::~CaptionLines() {
  if (ComPtr<ILine21Pages> pages = decoder_.As<ILine21Pages>()) pages->SetPageObserver(nullptr);
}

bool CaptionLines::Watch(graph::PlayerGraph& player) {
  decoder_ = player.Line21Decoder();
  ComPtr<ILine21Pages> pages = decoder_.As<ILine21Pages>();
  if (!pages) return false;
  pages->SetPageObserver([this](const Line21Page& page) {
    std::string line;
    for (const std::string& row : page.rows)
      line += (line.empty() ? "" : " / ") + row;
    std::lock_guard lock(mutex_);
    // A page like the one shown (the first blank page) changes nothing.
    if (line == shown_) return;
    shown_ = line;
    std::fprintf(out_, "%.3f %s\n", Seconds(page.time), line.c_str());
    std::fflush(out_);
  });
  return true;
}

void PrintDecoding(std::FILE* out, graph::PlayerGraph& player) {
  PrintStream(out, "video", StatsOf<av::CMpeg2VideoDecoder>(player.VideoDecoder()));
  PrintStream(out, "audio", StatsOf<av::CAc3Decoder>(player.AudioDecoder()));
}

}  // namespace cli

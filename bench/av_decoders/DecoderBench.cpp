// Decoding the sample broadcast's video (5.5 KFIV, 640 x 360, 4 s loop):
// libavcodec alone on whole access units, and the "MPEG-2 Video Decoder"
// filter in a graph (a pushing source, the decoder, a renderer that renders on
// arrival) on the same units cut into 4096-byte samples as a source delivers
// them. The counter "per_video_s" is the time one second of video takes; the
// difference of the two is the filter's own share (parsing, copying the
// picture into its output buffer, sample traffic).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <optional>
#include <span>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "platform/av/NullRenderer.h"
#include "platform/av/decoders/Mpeg2VideoDecoder.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaGuids.h"
#include "tests/support/PushSource.h"
#include "tools/broadcast/Description.h"
#include "tools/broadcast/ElementaryLoop.h"

namespace {

const broadcast::EncodedLoop* SampleLoop(std::string& error) {
  static broadcast::EncodedLoop loop;
  static bool loaded = false;
  if (loaded) return &loop;
  for (const auto& mux : broadcast::SampleBroadcast().multiplexes) {
    for (const auto& channel : mux.channels) {
      if (channel.name != "KFIV") continue;
      loaded = broadcast::LoadOrEncodeLoop(channel, broadcast::LoopOptions{},
                                           broadcast::DefaultCacheFolder(), loop, error);
      return loaded ? &loop : nullptr;
    }
  }
  error = "no KFIV in the sample broadcast";
  return nullptr;
}

void SetCounters(benchmark::State& state, const broadcast::EncodedLoop& loop) {
  const double seconds = static_cast<double>(loop.videoDuration) / 90'000.0;
  state.counters["per_video_s"] = benchmark::Counter(
      seconds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * loop.video.size()));
}

void LibavcodecAlone(benchmark::State& state) {
  std::string error;
  const broadcast::EncodedLoop* loop = SampleLoop(error);
  if (loop == nullptr) {
    state.SkipWithError(error.c_str());
    return;
  }
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  for (auto _ : state) {
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->thread_count = 1;
    avcodec_open2(context, codec, nullptr);
    auto receive = [&] {
      while (avcodec_receive_frame(context, frame) == 0)
        av_frame_unref(frame);
    };
    for (const auto& unit : loop->video) {
      packet->data = const_cast<std::uint8_t*>(unit.data.data());
      packet->size = static_cast<int>(unit.data.size());
      avcodec_send_packet(context, packet);
      receive();
    }
    avcodec_send_packet(context, nullptr);
    receive();
    avcodec_free_context(&context);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  SetCounters(state, *loop);
}
BENCHMARK(LibavcodecAlone)->Unit(benchmark::kMillisecond);

void DecoderFilter(benchmark::State& state) {
  std::string error;
  const broadcast::EncodedLoop* loop = SampleLoop(error);
  if (loop == nullptr) {
    state.SkipWithError(error.c_str());
    return;
  }
  ComPtr<CFilterGraph> graph(new CFilterGraph);
  graph->SetSyncSource(nullptr);
  ComPtr<testsupport::CPushSource> source(
      new testsupport::CPushSource(CMediaType(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO), 4096));
  ComPtr<av::CMpeg2VideoDecoder> decoder(new av::CMpeg2VideoDecoder);
  HRESULT hr = S_OK;
  ComPtr<av::CNullRenderer> renderer(new av::CNullRenderer(&hr));
  renderer->SetRenderImmediately(true);
  graph->AddFilter(source.Get(), u"Source");
  graph->AddFilter(decoder.Get(), u"Video Decoder");
  graph->AddFilter(renderer.Get(), u"Video Renderer");
  if (graph->ConnectDirect(source->GetPin(0), decoder->GetPin(0), nullptr) != S_OK ||
      graph->ConnectDirect(decoder->GetPin(1), renderer->GetPin(0), nullptr) != S_OK) {
    state.SkipWithError("the graph does not connect");
    return;
  }
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  graph->QueryInterface(IID_PPV_ARGS(&control));
  graph->QueryInterface(IID_PPV_ARGS(&events));
  for (auto _ : state) {
    control->Run();
    for (const auto& unit : loop->video) {
      const std::span<const std::uint8_t> bytes(unit.data);
      const REFERENCE_TIME start = static_cast<REFERENCE_TIME>(unit.pts) * 1000 / 9;
      for (std::size_t pos = 0; pos < bytes.size(); pos += 4096) {
        source->Push(bytes.subspan(pos, std::min<std::size_t>(4096, bytes.size() - pos)),
                     pos == 0 ? std::optional(start) : std::nullopt);
      }
    }
    source->EndOfStream();
    LONG code = 0;
    events->WaitForCompletion(10'000, &code);
    control->Stop();
  }
  if (decoder->Stats().frames != state.iterations() * loop->video.size()) {
    state.SkipWithError("pictures were lost");
  }
  SetCounters(state, *loop);
}
BENCHMARK(DecoderFilter)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Throughput of the "Demux" filter in a running graph: a source pushing a
// synthetic 38.8 Mbit/s terrestrial multiplex in tuner-sized buffers, the
// filter with a section, a video and an audio pin mapped as the network
// provider maps them, and renderers that take each sample and do nothing.
// Compared with bench/demux (the engine alone), the difference is the cost of
// the graph: a copy into allocator buffers, output queues with their threads,
// and the renderers' receive.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "demux/filter/DemuxFilter.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/MediaGuids.h"
#include "platform/media/Renderer.h"
#include "platform/media/Source.h"
#include "tests/demux/SyntheticMux.h"

namespace {

using demux::test::Bytes;

constexpr double kSeconds = 5.0;  // of stream: about 24 MB
constexpr CLSID CLSID_BenchSource = com::GuidOf("A4D1C3F0-7B2E-4E59-8C61-2F9D0B7E5A13");
constexpr CLSID CLSID_NullRenderer = com::GuidOf("A4D1C3F0-7B2E-4E59-8C61-2F9D0B7E5A14");

const Bytes& Capture() {
  static const Bytes capture = demux::test::SyntheticMux({.seconds = kSeconds});
  return capture;
}

class CBenchStream : public CSourceStream {
 public:
  CBenchStream(CSource* source, HRESULT* hr, std::size_t chunk)
      : CSourceStream("bench stream", hr, source, u"Out"), chunk_(chunk) {}
  HRESULT GetMediaType(CMediaType* mt) override {
    *mt = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT);
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES*) override {
    ALLOCATOR_PROPERTIES want, got;
    want.cBuffers = 8;
    want.cbBuffer = static_cast<LONG>(chunk_);
    want.cbAlign = 1;
    return allocator->SetProperties(&want, &got);
  }
  HRESULT FillBuffer(IMediaSample* sample) override {
    const Bytes& capture = Capture();
    if (offset_ >= capture.size()) return S_FALSE;
    const std::size_t n = std::min(chunk_, capture.size() - offset_);
    BYTE* buffer = nullptr;
    sample->GetPointer(&buffer);
    std::copy_n(capture.begin() + static_cast<std::ptrdiff_t>(offset_), n, buffer);
    sample->SetActualDataLength(static_cast<LONG>(n));
    offset_ += n;
    return S_OK;
  }

 private:
  std::size_t chunk_;
  std::size_t offset_ = 0;
};

class CBenchSource : public CSource {
 public:
  explicit CBenchSource(std::size_t chunk)
      : CSource("bench source", nullptr, CLSID_BenchSource, nullptr) {
    HRESULT hr = S_OK;
    stream = new CBenchStream(this, &hr, chunk);
  }
  CBenchStream* stream;
};

class CNullRenderer : public CBaseRenderer {
 public:
  explicit CNullRenderer(HRESULT* hr) : CBaseRenderer(CLSID_NullRenderer, "null", nullptr, hr) {}
  HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
  HRESULT DoRenderSample(IMediaSample* sample) override {
    bytes += static_cast<std::uint64_t>(sample->GetActualDataLength());
    return S_OK;
  }
  std::uint64_t bytes = 0;
};

ComPtr<IPin> Pin(IMpeg2Demultiplexer* demuxer, CMediaType type, std::u16string name, ULONG pidCount,
                 ULONG* pids, MEDIA_SAMPLE_CONTENT content) {
  ComPtr<IPin> pin;
  demuxer->CreateOutputPin(&type, name.data(), &pin);
  pin.As<IMPEG2PIDMap>()->MapPID(pidCount, pids, content);
  return pin;
}

void BM_DemuxFilterGraph(benchmark::State& state) {
  media::RegisterClasses();
  const auto chunk = static_cast<std::size_t>(state.range(0));
  const Bytes& capture = Capture();
  std::uint64_t delivered = 0;
  for (auto _ : state) {
    ComPtr<IFilterGraph2> graph;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
    graph.As<IMediaFilter>()->SetSyncSource(nullptr);
    ComPtr<CBenchSource> source(new CBenchSource(chunk));
    ComPtr<demux::CDemuxFilter> demux(new demux::CDemuxFilter);
    HRESULT hr = S_OK;
    ComPtr<CNullRenderer> renderers[3] = {ComPtr<CNullRenderer>(new CNullRenderer(&hr)),
                                          ComPtr<CNullRenderer>(new CNullRenderer(&hr)),
                                          ComPtr<CNullRenderer>(new CNullRenderer(&hr))};
    graph->AddFilter(source.Get(), u"Source");
    graph->AddFilter(demux.Get(), u"Demux");
    for (auto& r : renderers)
      graph->AddFilter(r.Get(), nullptr);
    graph->ConnectDirect(source->stream, demux->GetPin(0), nullptr);
    ULONG psi[] = {0x0000, 0x0030, 0x1FFB};
    ULONG video[] = {0x31};
    ULONG audio[] = {0x34};
    CMediaType sectionType(MEDIATYPE_MPEG2_SECTIONS, MEDIASUBTYPE_None);
    sectionType.SetSampleSize(65536);
    CMediaType videoType(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO);
    videoType.SetSampleSize(65536);
    CMediaType audioType(MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3);
    ComPtr<IPin> pins[3] = {
        Pin(demux.Get(), sectionType, u"Sections", 3, psi, MEDIA_MPEG2_PSI),
        Pin(demux.Get(), videoType, u"Video", 1, video, MEDIA_ELEMENTARY_STREAM),
        Pin(demux.Get(), audioType, u"Audio", 1, audio, MEDIA_ELEMENTARY_STREAM)};
    for (int i = 0; i < 3; ++i)
      graph->ConnectDirect(pins[i].Get(), renderers[i]->InputPin(), nullptr);
    ComPtr<IMediaControl> control = graph.As<IMediaControl>();
    control->Run();
    LONG code = 0;
    if (graph.As<IMediaEventEx>()->WaitForCompletion(60000, &code) != S_OK) {
      state.SkipWithError("the graph did not complete");
      break;
    }
    control->Stop();
    for (auto& r : renderers)
      delivered += r->bytes;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * capture.size()));
  state.counters["out_bytes_per_pass"] =
      static_cast<double>(delivered) /
      static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
}
BENCHMARK(BM_DemuxFilterGraph)
    ->Arg(188 * 64)
    ->Arg(188 * 256)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

// Throughput of the recording-file writer (sink core packetising and writing)
// and reader (source core reading packs and payloads), in bytes per second of
// elementary stream (sink) and of file (source), on one core; and of the
// "MPEG-2 Source" filter reading the same file into three null renderers in a
// graph without a clock (unpaced), in bytes of file per second.
#include <benchmark/benchmark.h>

#include <atomic>
#include <filesystem>
#include <map>

#include "filters/sink/Ac3SyncFrame.h"
#include "filters/sink/Mpeg2SinkCore.h"
#include "filters/source/Mpeg2Source.h"
#include "filters/source/Mpeg2SourceCore.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/Renderer.h"

namespace {

using filters::PinType;

// Discards writes; keeps nothing.
class NullFileSystem final : public filters::FileSystem {
 public:
  std::unique_ptr<filters::WriteFile> Create(const std::u16string&) override {
    return std::make_unique<Sink>();
  }
  std::unique_ptr<filters::ReadFile> Open(const std::u16string&) override { return nullptr; }
  bool Remove(const std::u16string&) override { return true; }
  bool Replace(const std::u16string&, std::span<const std::uint8_t>) override { return true; }

 private:
  struct Sink final : filters::WriteFile {
    bool Write(std::span<const std::uint8_t> bytes) override {
      benchmark::DoNotOptimize(bytes.data());
      return true;
    }
    bool Truncate(std::uint64_t) override { return true; }
    bool Close() override { return true; }
  };
};

struct Sample {
  PinType pin;
  std::vector<std::uint8_t> data;
  bool timed;
  std::int64_t start;
};

// About 10 s of a 6 Mbit/s programme: video pictures in 4096-byte samples,
// AC-3 at 384 kbit/s, one text sample a second.
std::vector<Sample> MakeProgramme(std::size_t& esBytes) {
  std::vector<Sample> out;
  esBytes = 0;
  std::uint32_t seed = 1;
  auto filler = [&](std::vector<std::uint8_t>& v, std::size_t from) {
    for (std::size_t i = from; i < v.size(); ++i) {
      seed = seed * 1103515245 + 12345;
      const auto b = static_cast<std::uint8_t>(seed >> 16);
      v[i] = b == 0 ? 1 : b;
    }
  };
  std::int64_t audioTime = 0;
  for (int picture = 0; picture < 300; ++picture) {
    const std::int64_t t = picture * 333'667LL;
    std::vector<std::uint8_t> pic(picture % 15 == 0 ? 60000 : 20000);
    filler(pic, 0);
    const std::uint8_t head[] = {0, 0, 1, 0xB3, 0x2D, 0x01, 0xE0, 0x24};
    const std::uint8_t picHead[] = {0, 0, 1, 0, static_cast<std::uint8_t>(picture % 15 >> 2), 0};
    if (picture % 15 == 0) std::copy(std::begin(head), std::end(head), pic.begin());
    std::copy(std::begin(picHead), std::end(picHead), pic.begin() + (picture % 15 == 0 ? 8 : 0));
    for (std::size_t off = 0; off < pic.size(); off += 4096) {
      const auto end = std::min(pic.size(), off + 4096);
      out.push_back({PinType::kVideo, {pic.begin() + off, pic.begin() + end}, off == 0, t});
    }
    esBytes += pic.size();
    while (audioTime <= t) {
      std::vector<std::uint8_t> frame(filters::Ac3FrameBytes(28, 0));
      filler(frame, 0);
      frame[0] = 0x0B;
      frame[1] = 0x77;
      frame[4] = 28;
      const std::size_t words = frame.size() / 2;
      const std::size_t crcEnd = ((words >> 1) + (words >> 3)) * 2;
      const auto crc = filters::Ac3Crc16(std::span(frame).subspan(2, crcEnd - 4));
      frame[crcEnd - 2] = static_cast<std::uint8_t>(crc >> 8);
      frame[crcEnd - 1] = static_cast<std::uint8_t>(crc);
      out.push_back({PinType::kAudio, frame, true, audioTime});
      esBytes += frame.size();
      audioTime += 320'000;
    }
    if (picture % 30 == 0) {
      out.push_back({PinType::kText, std::vector<std::uint8_t>(300, 0x41), true, t});
      esBytes += 300;
    }
  }
  return out;
}

void Feed(filters::Mpeg2SinkCore& sink, const std::vector<Sample>& programme, std::int64_t offset) {
  filters::FilterClock clock{true, 0};
  for (const Sample& s : programme) {
    filters::InputSample in;
    in.data = s.data;
    in.timed = s.timed;
    in.start = s.start + offset;
    in.stop = in.start + 1;
    clock.streamTime = in.start;
    sink.Receive(s.pin, in, clock);
  }
}

void BM_SinkPacketise(benchmark::State& state) {
  std::size_t esBytes = 0;
  const auto programme = MakeProgramme(esBytes);
  NullFileSystem fs;
  filters::Mpeg2SinkCore sink(fs);
  filters::FilterClock clock;
  sink.SetFileName(u"/bench/rec.mpg", clock);
  std::int64_t offset = 0;
  for (auto _ : state) {
    Feed(sink, programme, offset);
    offset += 100'000'000;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * esBytes));
}
BENCHMARK(BM_SinkPacketise)->Unit(benchmark::kMillisecond);

std::filesystem::path BenchFolder() {
  auto path = std::filesystem::temp_directory_path() / "psfile-bench";
  std::filesystem::create_directories(path);
  return path;
}

void BM_SinkToFile(benchmark::State& state) {
  std::size_t esBytes = 0;
  const auto programme = MakeProgramme(esBytes);
  const auto path = (BenchFolder() / "sink.mpg").string();
  filters::Mpeg2SinkCore sink;
  filters::FilterClock clock;
  std::int64_t offset = 0;
  for (auto _ : state) {
    sink.SetFileName(std::u16string(path.begin(), path.end()).c_str(), clock);
    Feed(sink, programme, offset);
    sink.Stop();
    offset += 100'000'000;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * esBytes));
  std::filesystem::remove(path);
}
BENCHMARK(BM_SinkToFile)->Unit(benchmark::kMillisecond);

void BM_SourceRead(benchmark::State& state) {
  std::size_t esBytes = 0;
  const auto programme = MakeProgramme(esBytes);
  const auto path = (BenchFolder() / "source.mpg").string();
  const std::u16string path16(path.begin(), path.end());
  {
    filters::Mpeg2SinkCore sink;
    filters::FilterClock clock;
    sink.SetFileName(path16.c_str(), clock);
    for (int i = 0; i < 3; ++i)
      Feed(sink, programme, i * 100'000'000LL);
    sink.Stop();
  }
  const auto fileBytes = std::filesystem::file_size(path);
  std::size_t payload = 0;
  for (auto _ : state) {
    filters::Mpeg2SourceCore source;
    source.Load(path16.c_str());
    filters::SourceRead read;
    while (source.ReadNext(read) == filters::ReadStatus::kData) {
      for (const auto& p : read.payloads)
        payload += p.bytes.size();
    }
  }
  benchmark::DoNotOptimize(payload);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes));
  std::filesystem::remove(path);
}
BENCHMARK(BM_SourceRead)->Unit(benchmark::kMillisecond);

// Renders every sample at once and keeps only a byte count.
class NullRenderer final : public CBaseRenderer {
 public:
  explicit NullRenderer(HRESULT* hr) : CBaseRenderer(GUID_NULL, "null renderer", nullptr, hr) {}
  HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
  HRESULT DoRenderSample(IMediaSample* sample) override {
    bytes_ += static_cast<std::uint64_t>(sample->GetActualDataLength());
    return S_OK;
  }
  std::uint64_t Bytes() const { return bytes_.load(); }

 private:
  std::atomic<std::uint64_t> bytes_{0};
};

void BM_SourceFilterGraph(benchmark::State& state) {
  std::size_t esBytes = 0;
  const auto programme = MakeProgramme(esBytes);
  const auto path = (BenchFolder() / "source-filter.mpg").string();
  const std::u16string path16(path.begin(), path.end());
  {
    filters::Mpeg2SinkCore sink;
    filters::FilterClock clock;
    sink.SetFileName(path16.c_str(), clock);
    for (int i = 0; i < 3; ++i)
      Feed(sink, programme, i * 100'000'000LL);
    sink.Stop();
  }
  const auto fileBytes = std::filesystem::file_size(path);
  std::uint64_t payload = 0;
  for (auto _ : state) {
    HRESULT hr = S_OK;
    ComPtr<CFilterGraph> graph(new CFilterGraph);
    ComPtr<filters::CMPEG2Source> source(new filters::CMPEG2Source(&hr));
    graph->AddFilter(source.Get(), u"MPEG-2 Source");
    graph->SetSyncSource(nullptr);
    source->Load(path16.c_str(), nullptr);
    std::vector<ComPtr<NullRenderer>> renderers;
    for (int k = 0; k < 3; ++k) {
      renderers.emplace_back(new NullRenderer(&hr));
      graph->AddFilter(renderers.back().Get(), k == 0 ? u"V" : k == 1 ? u"A" : u"T");
      graph->ConnectDirect(source->GetPin(k), renderers.back()->GetPin(0), nullptr);
    }
    graph->Run();
    LONG code = 0;
    if (graph->WaitForCompletion(60'000, &code) != S_OK) state.SkipWithError("no completion");
    graph->Stop();
    for (const auto& r : renderers)
      payload += r->Bytes();
  }
  benchmark::DoNotOptimize(payload);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes));
  std::filesystem::remove(path);
}
BENCHMARK(BM_SourceFilterGraph)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

// Throughput of the stream filters on the ingest path: the section buffer's
// Receive (table and CRC checks, one copy) with the poll draining it, the tee
// fanning transport samples out to two outputs, and the dump writing them.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "filters/dump/Dump.h"
#include "filters/sectionbuffer/PsiParserFilter.h"
#include "filters/tee/Tee.h"
#include "platform/com/TaskMemory.h"
#include "platform/media/FilterGraph.h"
#include "tests/sectionbuffer/FakeNetworkProvider.h"
#include "tests/sectionbuffer/SectionSource.h"
#include "tests/tee/StreamTestFilters.h"

namespace {

void SectionBufferReceive(benchmark::State& state) {
  ComPtr<CFilterGraph> graph(new CFilterGraph);
  ComPtr<filters::test::FakeNetworkProvider> provider(new filters::test::FakeNetworkProvider);
  ComPtr<CPsiParserFilter> buffer(new CPsiParserFilter);
  ComPtr<filters::test::SectionSource> source(new filters::test::SectionSource);
  graph->AddFilter(provider.Get(), u"Tallowmark Network Provider");
  graph->AddFilter(buffer.Get(), u"Tallowmark Section Buffer");
  graph->AddFilter(source.Get(), u"Demux");
  graph->ConnectDirect(source->Output(), buffer->InputPin(), nullptr);
  provider->SetTuning(0, 30, 8);
  buffer->Pause();

  std::vector<std::uint8_t> body(static_cast<std::size_t>(state.range(0)) - 7, 0x5A);
  const auto section = filters::test::MakeSection(0xCB, body);
  filters::test::SampleMaker samples;
  ComPtr<IMediaSample> sample = samples.Make(section, 0x1D00);
  std::int64_t count = 0;
  for (auto _ : state) {
    buffer->InputPin()->Receive(sample.Get());
    if (++count % 200 == 0) {
      BYTE* bytes = nullptr;
      LONG length, type, channel, modulation, program, pid;
      while (SUCCEEDED(
          buffer->GetNextSection(&bytes, &length, &type, &channel, &modulation, &program, &pid))) {
        CoTaskMemFree(bytes);
      }
    }
  }
  state.SetBytesProcessed(count * static_cast<std::int64_t>(section.size()));
  buffer->Stop();
}
BENCHMARK(SectionBufferReceive)->Arg(64)->Arg(1024)->Arg(4096);

// Tee with two outputs: a sink and (with range 1) a dump writing /dev/null.
void TeeFanOut(benchmark::State& state) {
  ComPtr<CFilterGraph> graph(new CFilterGraph);
  ComPtr<filters::test::TestSource> source(new filters::test::TestSource);
  ComPtr<CTee> tee(new CTee);
  ComPtr<filters::test::TestSink> sink(new filters::test::TestSink);
  ComPtr<CDumpFilter> dump(new CDumpFilter);
  graph->AddFilter(source.Get(), u"Source");
  graph->AddFilter(tee.Get(), u"Smart Tee");
  graph->AddFilter(sink.Get(), u"Demux");
  graph->AddFilter(dump.Get(), u"TS Sink");
  graph->ConnectDirect(source->Output(), tee->InputPin(), nullptr);
  graph->ConnectDirect(tee->OutputPin(0), sink->Input(), nullptr);
  graph->ConnectDirect(tee->OutputPin(1), dump->InputPin(), nullptr);
  if (state.range(0) == 1) dump->SetFileName(u"/dev/null", nullptr);
  sink->KeepPayloads(false);
  dump->Pause();
  sink->Pause();
  tee->Pause();
  source->Pause();
  std::array<std::uint8_t, 188 * 5> packet{};
  packet[0] = 0x47;
  for (auto _ : state) {
    source->Send(packet);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * packet.size());
  source->Stop();
  tee->Stop();
  sink->Stop();
  dump->Stop();
}
BENCHMARK(TeeFanOut)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();

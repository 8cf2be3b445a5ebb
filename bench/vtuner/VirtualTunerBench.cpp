// Unpaced read throughput of the virtual tuner: the first pass of a capture
// (plain copies) and later passes (every packet's counter and timestamps
// rewritten), pulled in chunks of the size a tuner output pin would use.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/bda/virtual/Broadcast.h"
#include "platform/bda/virtual/CaptureLoop.h"
#include "platform/bda/virtual/VirtualTuner.h"
#include "tests/vtuner/TestCapture.h"

namespace {

std::shared_ptr<const vtuner::Capture> BenchCapture() {
  static const auto capture = [] {
    vtuner::test::CaptureLayout layout;
    layout.packets = 50'000;  // about 9.4 MB
    return vtuner::Capture::FromBytes(vtuner::test::MakeCapture(layout));
  }();
  return capture;
}

// Reads from a CaptureLoop; range(0) = packets per chunk, range(1) = 1 to stay
// in the first pass (copies only), 0 for later passes (rewriting).
void CaptureLoopRead(benchmark::State& state) {
  const auto capture = BenchCapture();
  const bool firstPass = state.range(1) != 0;
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(state.range(0)) * 188);
  auto loop = std::make_unique<vtuner::CaptureLoop>(capture);
  if (!firstPass) {
    std::vector<std::uint8_t> skip(capture->Size());
    loop->Read(skip);
  }
  for (auto _ : state) {
    if (firstPass && (loop->NextPacket() + 1) * 188 + chunk.size() > capture->Size())
      loop = std::make_unique<vtuner::CaptureLoop>(capture);
    benchmark::DoNotOptimize(loop->Read(chunk));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * chunk.size()));
}
BENCHMARK(CaptureLoopRead)->Args({348, 1})->Args({348, 0})->Args({7, 0})->Args({4096, 0});

// The whole tuner path (lock, source, no pacing) as the output pin would pull it.
void TunerRead(benchmark::State& state) {
  vtuner::test::TempFolder folder;
  vtuner::test::CaptureLayout layout;
  layout.packets = 50'000;
  folder.Write("bench.ts", vtuner::test::MakeCapture(layout));
  auto parsed = vtuner::ParseDescription(
      "pace off\nmultiplex frequency 600000000 QAM capture bench.ts\n", folder.Path(), "bench");
  auto broadcast = std::make_shared<vtuner::Broadcast>(parsed.description);
  vtuner::VirtualTuner tuner(broadcast);
  if (!tuner.Tune(600'000'000, common::DemodulatorFamily::kQam)) {
    state.SkipWithError("no lock");
    return;
  }
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(state.range(0)) * 188);
  for (auto _ : state) {
    benchmark::DoNotOptimize(tuner.Read(chunk));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * chunk.size()));
}
BENCHMARK(TunerRead)->Arg(348);

}  // namespace

BENCHMARK_MAIN();

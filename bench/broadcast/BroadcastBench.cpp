// Costs of the broadcast simulator: the first packet of a multiplex whose
// loops are cached, making one second of each sample multiplex, and the CPU
// share of one core that a live multiplex takes when read at real-time pace.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "tools/broadcast/Multiplex.h"

namespace {

using broadcast::Multiplex;
using broadcast::MultiplexOptions;

const broadcast::MultiplexDescription& SampleMultiplex(std::size_t index) {
  static const broadcast::BroadcastDescription sample = broadcast::SampleBroadcast();
  return sample.multiplexes.at(index);
}

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Creating a multiplex of the sample broadcast and reading its first packet,
// with the loops already in the cache (the first call warms it).
void FirstPacketWarmCache(benchmark::State& state) {
  const auto& description = SampleMultiplex(static_cast<std::size_t>(state.range(0)));
  std::string error;
  if (!Multiplex::Create(description, MultiplexOptions{}, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::uint8_t packet[188];
  for (auto _ : state) {
    auto mux = Multiplex::Create(description, MultiplexOptions{}, error);
    benchmark::DoNotOptimize(mux->Read(packet));
  }
  state.SetLabel(description.name);
}
BENCHMARK(FirstPacketWarmCache)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// One second of stream per iteration: the time per iteration in milliseconds
// divided by ten is the percent of one core the multiplex needs live.
void OneStreamSecond(benchmark::State& state) {
  const auto& description = SampleMultiplex(static_cast<std::size_t>(state.range(0)));
  std::string error;
  auto mux = Multiplex::Create(description, MultiplexOptions{}, error);
  if (!mux) {
    state.SkipWithError(error.c_str());
    return;
  }
  const std::size_t packets = mux->BitRate() / (188 * 8);
  std::vector<std::uint8_t> buffer(packets * 188);
  for (auto _ : state)
    benchmark::DoNotOptimize(mux->Read(buffer));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
  state.SetLabel(description.name);
}
BENCHMARK(OneStreamSecond)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// Three seconds read at real-time pace in 10 ms portions, as the virtual tuner
// does; the counter cpu_percent is the thread's CPU time over the wall time.
void PacedRealTime(benchmark::State& state) {
  const auto& description = SampleMultiplex(static_cast<std::size_t>(state.range(0)));
  std::string error;
  auto mux = Multiplex::Create(description, MultiplexOptions{}, error);
  if (!mux) {
    state.SkipWithError(error.c_str());
    return;
  }
  const std::size_t packetsPer10ms = mux->BitRate() / (188 * 8) / 100 + 1;
  std::vector<std::uint8_t> buffer(packetsPer10ms * 188);
  double cpu = 0;
  double wall = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuSeconds();
    auto deadline = start;
    const double until = mux->StreamSeconds() + 3.0;
    while (mux->StreamSeconds() < until) {
      benchmark::DoNotOptimize(mux->Read(buffer));
      deadline += std::chrono::milliseconds(10);
      std::this_thread::sleep_until(deadline);
    }
    cpu += ThreadCpuSeconds() - cpuStart;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["cpu_percent"] = 100.0 * cpu / wall;
  state.SetLabel(description.name);
}
BENCHMARK(PacedRealTime)
    ->DenseRange(0, 4)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

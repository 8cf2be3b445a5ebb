// Sections dispatched per second for the table mix of an ATSC multiplex: per
// round PAT, four PMTs, MGT, TVCT, STT, four EITs and four ETTs for each of
// four channels. After the first round most sections repeat, as on the air.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "tables/sections/Dispatch.h"
#include "tests/tables/SectionBuilder.h"

namespace {

using namespace tables::test;

struct Mixed {
  Bytes section;
  tables::SectionTag tag;
};

std::vector<Mixed> PsipMix() {
  auto tag = [](std::uint16_t pid) {
    tables::SectionTag t;
    t.physical = 7;
    t.modulation = 0x01;
    t.pid = pid;
    return t;
  };
  std::vector<Mixed> mix;
  mix.push_back({Pat(0x0801, 1, {{0, 0x10}, {1, 0x30}, {2, 0x40}, {3, 0x50}, {4, 0x60}}), tag(0)});
  for (unsigned p = 1; p <= 4; ++p) {
    mix.push_back({Pmt(p, 1, 0x21 + 16 * p, {{0x02, 0x21 + 16 * p}, {0x81, 0x24 + 16 * p}}),
                   tag(static_cast<std::uint16_t>(0x20 + 16 * p))});
  }
  mix.push_back({Mgt(1, {{0x0000, 0x1FFB, 1},
                         {0x0100, 0x1D00, 1},
                         {0x0101, 0x1D01, 1},
                         {0x0102, 0x1D02, 1},
                         {0x0103, 0x1D03, 1},
                         {0x0200, 0x1E00, 1},
                         {0x0201, 0x1E01, 1},
                         {0x0202, 0x1E02, 1},
                         {0x0203, 0x1E03, 1}}),
                 tag(0x1FFB)});
  mix.push_back(
      {Vct(0xC8, 0x0801, 1,
           {{.name = u"KONE", .major = 7, .minor = 1, .programNumber = 1, .sourceId = 1},
            {.name = u"KTWO", .major = 7, .minor = 2, .programNumber = 2, .sourceId = 2},
            {.name = u"KTHREE", .major = 7, .minor = 3, .programNumber = 3, .sourceId = 3},
            {.name = u"KFOUR", .major = 7, .minor = 4, .programNumber = 4, .sourceId = 4}}),
       tag(0x1FFB)});
  mix.push_back({Stt(1'400'000'000u, 18), tag(0x1FFB)});
  const std::string titles[] = {"Morning News", "Cooking Today", "Nature Hour",
                                "Late Film",    "Weather",       "Sports Roundup"};
  for (unsigned eit = 0; eit < 4; ++eit) {
    for (unsigned source = 1; source <= 4; ++source) {
      const unsigned base = 1'400'000'000u + eit * 3 * 3600;
      Bytes section =
          Eit(source, 1,
              {{.eventId = eit * 6 + 1,
                .start = base,
                .length = 1800,
                .title = titles[0],
                .descriptors = ContentAdvisory({{0, 2}})},
               {.eventId = eit * 6 + 2, .start = base + 1800, .length = 1800, .title = titles[1]},
               {.eventId = eit * 6 + 3, .start = base + 3600, .length = 3600, .title = titles[2]},
               {.eventId = eit * 6 + 4, .start = base + 7200, .length = 1800, .title = titles[3]},
               {.eventId = eit * 6 + 5, .start = base + 9000, .length = 900, .title = titles[4]},
               {.eventId = eit * 6 + 6, .start = base + 9900, .length = 900, .title = titles[5]}});
      mix.push_back({section, tag(static_cast<std::uint16_t>(0x1D00 + eit))});
      mix.push_back({Ett(0, 1,
                         tables::EventEtmId(static_cast<std::uint16_t>(source),
                                            static_cast<std::uint16_t>(eit * 6 + 1)),
                         "A long description of the programme that the broadcaster sends in its "
                         "extended text table, as they usually do for every event."),
                     tag(static_cast<std::uint16_t>(0x1E00 + eit))});
    }
  }
  return mix;
}

void BM_DispatchPsipMix(benchmark::State& state) {
  const std::vector<Mixed> mix = PsipMix();
  tables::SectionStore store;
  tuning::ChannelList channels;
  tables::GraphTables graph;
  graph.scanRunning = 1;
  tables::TableContext ctx{store, channels, graph};
  for (const auto& m : mix)
    tables::DispatchSection(ctx, m.section, m.tag);  // first receipt
  std::int64_t dispatched = 0;
  for (auto _ : state) {
    for (const auto& m : mix) {
      benchmark::DoNotOptimize(tables::DispatchSection(ctx, m.section, m.tag));
    }
    dispatched += static_cast<std::int64_t>(mix.size());
  }
  state.SetItemsProcessed(dispatched);
}
BENCHMARK(BM_DispatchPsipMix);

}  // namespace

BENCHMARK_MAIN();

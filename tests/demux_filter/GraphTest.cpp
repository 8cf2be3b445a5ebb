// The "Demux" filter in a running graph: transport-stream bytes in, whole
// sections and timed elementary-stream samples out on pins made on request.
#include <gtest/gtest.h>

#include "tests/demux/SyntheticMux.h"
#include "tests/demux_filter/DemuxGraph.h"

namespace demux::test {
namespace {

constexpr std::uint16_t kVideo = 0x31;
constexpr std::uint16_t kAudio = 0x34;
constexpr std::uint16_t kPmt = 0x30;
constexpr std::uint16_t kPsip = 0x1FFB;
constexpr std::uint64_t kPcr0 = 20ull * 27'000'000;  // first PCR: 20 s
constexpr std::uint64_t kPts0 = 20ull * 90'000;      // the same instant, 90 kHz

Bytes VideoPicture(std::size_t size, std::uint8_t seed, bool sequenceHeader) {
  Bytes payload = Pattern(size, seed);
  const Bytes start{0x00, 0x00, 0x01, static_cast<std::uint8_t>(sequenceHeader ? 0xB3 : 0x00)};
  std::copy(start.begin(), start.end(), payload.begin());
  return payload;
}

Bytes AudioFrame(std::uint8_t seed) {
  Bytes frame = Pattern(768, seed);
  frame[0] = 0x0B;
  frame[1] = 0x77;
  return frame;
}

Bytes Joined(const std::vector<CCaptureRenderer::Sample>& samples) {
  Bytes all;
  for (const auto& s : samples)
    all.insert(all.end(), s.data.begin(), s.data.end());
  return all;
}

std::size_t SectionLength(const std::vector<BYTE>& section) {
  return section.size() < 3 ? 0 : 3 + ((section[1] & 0x0F) << 8 | section[2]);
}

TEST(DemuxGraph, SectionsArriveWholeOnePerSampleWithTheirPid) {
  TsWriter writer;
  const Bytes pat = MakePat(1, kPmt);
  const Bytes pmt = MakePmt(1, kVideo, {{0x02, kVideo}, {0x81, kAudio}});
  const Bytes big = MakeSection(0xC7, 900, 1);  // over six packets
  const Bytes small1 = MakeSection(0xC8, 20, 2);
  const Bytes small2 = MakeSection(0xCB, 30, 3);  // two in one packet, after the big one
  const Bytes foreign = MakeSection(0xCB, 40, 4);
  const Bytes stream =
      Concat({SyncRun(), writer.Sections(0, {pat}), writer.Sections(0x40, {foreign}),
              writer.Sections(kPmt, {pmt}), writer.Sections(kPsip, {big, small1, small2})});
  // Odd-sized chunks: packets and sections straddle the samples of the input.
  DemuxGraph g({stream}, 1000);
  ASSERT_EQ(DemuxGraph::Map(g.sectionPin.Get(), {0, kPmt, kPsip}, MEDIA_MPEG2_PSI), S_OK);
  g.RunToCompletion();

  const auto got = g.sections->Samples();
  const std::vector<std::pair<Bytes, std::uint16_t>> expected = {
      {pat, 0}, {pmt, kPmt}, {big, kPsip}, {small1, kPsip}, {small2, kPsip}};
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Bytes(got[i].data.begin(), got[i].data.end()), expected[i].first);
    EXPECT_EQ(SectionLength(got[i].data), got[i].data.size());
    EXPECT_EQ(got[i].typeSpecificFlags & 0x1FFF, expected[i].second);
  }
  EXPECT_TRUE(g.video->Samples().empty());
}

TEST(DemuxGraph, ElementaryStreamsCarryStartTimesFromPtsOnThePcrTimeline) {
  TsWriter writer;
  const Bytes picture = VideoPicture(5000, 1, true);
  const Bytes frame = AudioFrame(2);
  const Bytes stream = Concat({
      SyncRun(),
      writer.AdaptationOnly(kVideo, {.pcr = kPcr0}),
      writer.Pes(kVideo, 0xE0, picture, kPts0 + 9000, kPts0 + 6000, true),
      writer.Pes(kAudio, 0xBD, frame, kPts0 + 4500, std::nullopt, true),
      writer.Pes(kAudio, 0xBD, frame, kPts0 + 4500 + 2880, std::nullopt, true),
  });
  DemuxGraph g({stream});
  ASSERT_EQ(DemuxGraph::Map(g.videoPin.Get(), {kVideo}, MEDIA_ELEMENTARY_STREAM), S_OK);
  ASSERT_EQ(DemuxGraph::Map(g.audioPin.Get(), {kAudio}, MEDIA_ELEMENTARY_STREAM), S_OK);
  g.RunToCompletion();

  // The first PCR is stream time 0 (the graph's stream time at Run).
  const auto video = g.video->Samples();
  ASSERT_FALSE(video.empty());
  EXPECT_EQ(Joined(video), picture);
  ASSERT_TRUE(video[0].hasTime);
  EXPECT_EQ(video[0].start, 1'000'000);  // 9000 / 90 kHz = 100 ms
  EXPECT_GT(video[0].stop, video[0].start);
  EXPECT_TRUE(video[0].syncPoint);  // begins with a sequence header
  for (std::size_t i = 1; i < video.size(); ++i)
    EXPECT_FALSE(video[i].hasTime);  // the rest of the unit follows untimed

  const auto audio = g.audio->Samples();
  ASSERT_EQ(audio.size(), 2u);
  EXPECT_EQ(audio[0].start, 500'000);
  EXPECT_EQ(audio[1].start, 500'000 + 320'000);  // one AC-3 frame later
  EXPECT_EQ(Bytes(audio[1].data.begin(), audio[1].data.end()), frame);
  EXPECT_EQ(audio[0].typeSpecificFlags & 0x1FFF, kAudio);

  DemuxClockState clock;
  ASSERT_EQ(g.demux->GetClockState(&clock), S_OK);
  EXPECT_TRUE(clock.valid);
  EXPECT_EQ(clock.pcrPid, kVideo);
  EXPECT_EQ(clock.pcr, kPcr0);
  EXPECT_EQ(clock.pcrStreamTime, 0);
  EXPECT_EQ(clock.pcrCount, 1u);
  EXPECT_FALSE(clock.arrivalValid);  // the graph runs without a clock
}

// With a reference clock the filter notes the graph's stream time at which
// each PCR came in, next to the stream time the PCR stands for: the first PCR
// lies at its arrival, the next 100 ms on (it came in right after).
TEST(DemuxGraph, ClockStateRecordsArrivalOnTheGraphClock) {
  TsWriter writer;
  const Bytes stream = Concat({SyncRun(), writer.AdaptationOnly(kVideo, {.pcr = kPcr0}),
                               writer.AdaptationOnly(kVideo, {.pcr = kPcr0 + 2'700'000})});
  DemuxGraph g({stream}, 188, true);
  ASSERT_EQ(DemuxGraph::Map(g.videoPin.Get(), {kVideo}, MEDIA_ELEMENTARY_STREAM), S_OK);
  // Arrivals are noted only while the filter runs.
  g.source->HoldUntil([&] { return g.demux->State() == State_Running; });
  g.RunToCompletion();
  DemuxClockState clock;
  ASSERT_EQ(g.demux->GetClockState(&clock), S_OK);
  ASSERT_TRUE(clock.valid);
  EXPECT_EQ(clock.pcrCount, 2u);
  EXPECT_EQ(clock.epochs, 1u);
  ASSERT_TRUE(clock.arrivalValid);
  // Stream time 0 lies a few milliseconds after Run; the PCRs came soon after.
  EXPECT_GE(clock.arrivalStreamTime, -100 * kUnitsPerMillisecond);
  EXPECT_LT(clock.arrivalStreamTime, 5000 * kUnitsPerMillisecond);
  const std::int64_t lead = clock.pcrStreamTime - clock.arrivalStreamTime;
  EXPECT_LE(lead, 1'000'000);  // 2 700 000 ticks = 100 ms
  EXPECT_GT(lead, 0);
}

// With arrival timing off (input fed faster than real time) the PCR timeline
// alone counts: the first PCR is stream time 0 whatever the clock says.
TEST(DemuxGraph, WithoutArrivalTimingThePcrTimelineStartsAtZero) {
  TsWriter writer;
  const Bytes stream = Concat({SyncRun(), writer.AdaptationOnly(kVideo, {.pcr = kPcr0}),
                               writer.AdaptationOnly(kVideo, {.pcr = kPcr0 + 2'700'000})});
  DemuxGraph g({stream}, 188, true);
  ASSERT_EQ(DemuxGraph::Map(g.videoPin.Get(), {kVideo}, MEDIA_ELEMENTARY_STREAM), S_OK);
  ASSERT_EQ(g.demux->SetArrivalTiming(FALSE), S_OK);
  g.source->HoldUntil([&] { return g.demux->State() == State_Running; });
  g.RunToCompletion();
  DemuxClockState clock;
  ASSERT_EQ(g.demux->GetClockState(&clock), S_OK);
  EXPECT_TRUE(clock.arrivalValid);
  EXPECT_EQ(clock.pcrStreamTime, 1'000'000);
}

// Units before and after a tune: the first unit after activation and the first
// after the tune are discontinuities, the one in between is not.
TEST(DemuxGraph, TuneMarksTheNextUnitOfEveryStreamAsDiscontinuity) {
  // One writer throughout: counters and PCRs run on without a gap, so only the
  // tune itself can mark the units after it.
  TsWriter writer;
  const std::uint64_t laterPcr = kPcr0 + 5'400'000;  // 200 ms on
  const Bytes first = Concat({
      SyncRun(),
      writer.AdaptationOnly(kVideo, {.pcr = kPcr0}),
      writer.Pes(kVideo, 0xE0, VideoPicture(800, 1, true), kPts0 + 9000, std::nullopt, true),
      writer.Pes(kAudio, 0xBD, AudioFrame(1), kPts0 + 4500, std::nullopt, true),
      writer.AdaptationOnly(kVideo, {.pcr = kPcr0 + 2'700'000}),
      writer.Pes(kVideo, 0xE0, VideoPicture(800, 2, false), kPts0 + 12003, std::nullopt, true),
      writer.Pes(kAudio, 0xBD, AudioFrame(2), kPts0 + 7380, std::nullopt, true),
  });
  const Bytes second = Concat({
      writer.AdaptationOnly(kVideo, {.pcr = laterPcr}),
      writer.Pes(kVideo, 0xE0, VideoPicture(800, 3, true), kPts0 + 27000, std::nullopt, true),
      writer.Pes(kAudio, 0xBD, AudioFrame(3), kPts0 + 22500, std::nullopt, true),
  });
  DemuxGraph g({first, second});
  std::size_t tunes = 0;
  g.source->SetHook([&](std::size_t) {
    ++tunes;
    EXPECT_EQ(g.demux->NotifyTune(), S_OK);
  });
  ASSERT_EQ(DemuxGraph::Map(g.videoPin.Get(), {kVideo}, MEDIA_ELEMENTARY_STREAM), S_OK);
  ASSERT_EQ(DemuxGraph::Map(g.audioPin.Get(), {kAudio}, MEDIA_ELEMENTARY_STREAM), S_OK);
  g.RunToCompletion();
  EXPECT_EQ(tunes, 1u);

  for (const auto* renderer : {g.video.Get(), g.audio.Get()}) {
    const auto samples = const_cast<CCaptureRenderer*>(renderer)->Samples();
    std::vector<bool> discontinuities;
    for (const auto& s : samples) {
      if (s.hasTime) discontinuities.push_back(s.discontinuity);
    }
    EXPECT_EQ(discontinuities, (std::vector<bool>{true, false, true}));
  }
  const auto video = g.video->Samples();
  ASSERT_FALSE(video.empty());
  EXPECT_TRUE(video.back().hasTime);  // the new channel is timed from its own PCR
  DemuxClockState clock;
  g.demux->GetClockState(&clock);
  EXPECT_EQ(clock.pcrCount, 3u);
  EXPECT_EQ(clock.epochs, 2u);  // the first PCR, and the first after the tune
  EXPECT_EQ(clock.pcr, laterPcr);
}

TEST(DemuxGraph, FlushDropsThePartialSection) {
  TsWriter writer;
  const Bytes big = MakeSection(0xC7, 500, 1);
  const Bytes small = MakeSection(0xC8, 20, 2);
  const Bytes bigPackets = writer.Sections(kPsip, {big});
  const Bytes head(bigPackets.begin(), bigPackets.begin() + 188);
  const Bytes tail(bigPackets.begin() + 188, bigPackets.end());
  DemuxGraph g({Concat({SyncRun(), head}), Concat({tail, writer.Sections(kPsip, {small})})});
  g.source->SetHook([&](std::size_t) {
    IPin* input = g.demux->GetPin(0);
    input->BeginFlush();
    input->EndFlush();
  });
  ASSERT_EQ(DemuxGraph::Map(g.sectionPin.Get(), {kPsip}, MEDIA_MPEG2_PSI), S_OK);
  g.RunToCompletion();
  const auto got = g.sections->Samples();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(Bytes(got[0].data.begin(), got[0].data.end()), small);
}

// Bytes lost upstream: what was in progress is dropped, and the next unit of
// every stream says so.
TEST(DemuxGraph, InputDiscontinuityDropsUnitsInProgress) {
  TsWriter writer;
  const Bytes big = MakeSection(0xC7, 500, 1);
  const Bytes small = MakeSection(0xC8, 20, 2);
  const Bytes bigPackets = writer.Sections(kPsip, {big});
  const Bytes head(bigPackets.begin(), bigPackets.begin() + 188);
  const Bytes tail(bigPackets.begin() + 188, bigPackets.end());
  const Bytes first = Concat({
      SyncRun(),
      writer.AdaptationOnly(kVideo, {.pcr = kPcr0}),
      writer.Pes(kVideo, 0xE0, VideoPicture(400, 1, true), kPts0 + 9000, std::nullopt, true),
      writer.Pes(kVideo, 0xE0, VideoPicture(400, 2, false), kPts0 + 12003, std::nullopt, true),
      head,
  });
  const Bytes second = Concat({
      tail,
      writer.Sections(kPsip, {small}),
      writer.Pes(kVideo, 0xE0, VideoPicture(400, 3, false), kPts0 + 15006, std::nullopt, true),
  });
  DemuxGraph g({first, second}, 188);
  g.source->MarkDiscontinuity(1);
  ASSERT_EQ(DemuxGraph::Map(g.sectionPin.Get(), {kPsip}, MEDIA_MPEG2_PSI), S_OK);
  ASSERT_EQ(DemuxGraph::Map(g.videoPin.Get(), {kVideo}, MEDIA_ELEMENTARY_STREAM), S_OK);
  g.RunToCompletion();
  const auto sections = g.sections->Samples();
  ASSERT_EQ(sections.size(), 1u);
  EXPECT_EQ(Bytes(sections[0].data.begin(), sections[0].data.end()), small);
  std::vector<bool> discontinuities;
  for (const auto& s : g.video->Samples())
    discontinuities.push_back(s.discontinuity);
  EXPECT_EQ(discontinuities, (std::vector<bool>{true, false, true}));
}

TEST(DemuxGraph, RefusedMapChangesNothingDownstream) {
  TsWriter writer;
  const Bytes eit = MakeSection(0xCB, 50, 1);
  const Bytes other = MakeSection(0xCB, 60, 2);
  const Bytes stream =
      Concat({SyncRun(), writer.Sections(0x40, {other}), writer.Sections(kPsip, {eit})});
  DemuxGraph g({stream});
  ASSERT_EQ(DemuxGraph::Map(g.sectionPin.Get(), {kPsip}, MEDIA_MPEG2_PSI), S_OK);
  // A scan's default PIDs for minor number 0xFFFF: far beyond 13 bits.
  EXPECT_EQ(DemuxGraph::Map(g.sectionPin.Get(), {0x40, 0x31 + 16u * 0xFFFE, 0x41}, MEDIA_MPEG2_PSI),
            E_INVALIDARG);
  g.RunToCompletion();
  const auto got = g.sections->Samples();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(Bytes(got[0].data.begin(), got[0].data.end()), eit);
}

// A multiplex at the ATSC rate, as the tuner delivers it, with every stream
// of the programme mapped the way the network provider maps it.
TEST(DemuxGraph, SyntheticMultiplexComesOutComplete) {
  MuxCounts counts;
  const Bytes stream = SyntheticMux({.seconds = 0.5}, &counts);
  DemuxGraph g({stream}, 188 * 64);
  ASSERT_EQ(DemuxGraph::Map(g.sectionPin.Get(), {0, kPmt, kPsip}, MEDIA_MPEG2_PSI), S_OK);
  ASSERT_EQ(DemuxGraph::Map(g.videoPin.Get(), {kVideo}, MEDIA_ELEMENTARY_STREAM), S_OK);
  ASSERT_EQ(DemuxGraph::Map(g.audioPin.Get(), {kAudio}, MEDIA_ELEMENTARY_STREAM), S_OK);
  g.RunToCompletion();

  const auto sections = g.sections->Samples();
  EXPECT_EQ(sections.size(), counts.sections);
  for (const auto& s : sections) {
    EXPECT_EQ(SectionLength(s.data), s.data.size());
    const std::uint16_t pid = s.typeSpecificFlags & 0x1FFF;
    const BYTE table = s.data[0];
    EXPECT_EQ(pid, table == 0x00 ? 0 : table == 0x02 ? kPmt : kPsip) << int(table);
  }

  std::size_t videoUnits = 0;
  for (const auto& s : g.video->Samples()) {
    EXPECT_LE(s.data.size(), 65536u);
    if (s.hasTime) ++videoUnits;
  }
  EXPECT_EQ(videoUnits, counts.videoUnits);

  const auto audio = g.audio->Samples();
  ASSERT_EQ(audio.size(), counts.audioUnits);
  for (std::size_t i = 0; i < audio.size(); ++i) {
    // PTS lead the PCR by 0.5 s; one AC-3 frame is 32 ms.
    EXPECT_EQ(audio[i].start, 5'000'000 + static_cast<REFERENCE_TIME>(i) * 320'000) << i;
    EXPECT_TRUE(audio[i].syncPoint);
  }
  EXPECT_EQ(g.demux->Input().bytes, stream.size());
}

}  // namespace
}  // namespace demux::test

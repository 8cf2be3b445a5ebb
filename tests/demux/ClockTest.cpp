#include <gtest/gtest.h>

#include "demux/ProgramClock.h"
#include "demux/TsDemuxer.h"
#include "tests/demux/Collector.h"
#include "tests/demux/TsWriter.h"

namespace demux::test {
namespace {

constexpr std::uint64_t kMs = 27'000;  // 27 MHz ticks per millisecond
constexpr std::int64_t kUnitsPerMs = 10'000;

TEST(ProgramClock, FirstPcrIsStreamTimeZeroAndPtsFollowIt) {
  ProgramClock clock;
  EXPECT_FALSE(clock.TimeOf(0).has_value());
  const auto first = clock.OnPcr(5000 * kMs, 0, 0, false);
  EXPECT_TRUE(first.newEpoch);
  EXPECT_EQ(first.streamTime, 0);
  EXPECT_EQ(clock.TimeOf(5000 * 90 + 450 * 90), 450 * kUnitsPerMs);
  EXPECT_EQ(clock.TimeOf(5000 * 90 - 90), -1 * kUnitsPerMs);  // a PTS behind the PCR
  const auto later = clock.OnPcr(5040 * kMs, 100, 18800, false);
  EXPECT_FALSE(later.newEpoch);
  EXPECT_EQ(later.streamTime, 40 * kUnitsPerMs);
}

TEST(ProgramClock, PcrAndPtsWrapWithoutAJump) {
  ProgramClock clock;
  clock.OnPcr(kPcrModulus - 50 * kMs, 0, 0, false);
  const auto wrapped = clock.OnPcr(50 * kMs, 100, 0, false);
  EXPECT_FALSE(wrapped.newEpoch);
  EXPECT_EQ(wrapped.streamTime, 100 * kUnitsPerMs);
  // A PTS already past the wrap, and one still before it.
  EXPECT_EQ(clock.TimeOf(500 * 90), 550 * kUnitsPerMs);
  EXPECT_EQ(clock.TimeOf(kPtsModulus - 10 * 90), 40 * kUnitsPerMs);
}

TEST(ProgramClock, JumpsStartAnEpochThatContinuesTheTimeline) {
  ProgramClock clock;
  clock.OnPcr(1000 * kMs, 0, 0, false);
  clock.OnPcr(1100 * kMs, 1000, 0, false);  // 100 ms per 1000 packets
  const auto jump = clock.OnPcr(90'000 * kMs, 1500, 0, false);
  EXPECT_TRUE(jump.newEpoch);
  EXPECT_EQ(jump.streamTime, 150 * kUnitsPerMs);  // 100 ms + 500 packets at 0.1 ms
  EXPECT_EQ(clock.TimeOf(90'200 * 90), 350 * kUnitsPerMs);
  const auto back = clock.OnPcr(10 * kMs, 2500, 0, false);  // backwards
  EXPECT_TRUE(back.newEpoch);
  EXPECT_EQ(back.streamTime, 250 * kUnitsPerMs);
  const auto splice = clock.OnPcr(20 * kMs, 3500, 0, true);  // discontinuity_indicator
  EXPECT_TRUE(splice.newEpoch);
  EXPECT_EQ(splice.streamTime, 350 * kUnitsPerMs);
  const ClockEstimate estimate = clock.Estimate();
  EXPECT_TRUE(estimate.valid);
  EXPECT_DOUBLE_EQ(estimate.ticksPerPacket, 2700.0);
  EXPECT_NEAR(estimate.bitsPerSecond, 188.0 * 8 * 10'000, 1e-6);
}

TEST(ProgramClock, RebaseAnchorsTheNextPcr) {
  ProgramClock clock;
  clock.OnPcr(1000 * kMs, 0, 0, false);
  clock.Rebase(7 * 1000 * kUnitsPerMs);
  const auto next = clock.OnPcr(1010 * kMs, 10, 0, false);
  EXPECT_TRUE(next.newEpoch);
  EXPECT_EQ(next.streamTime, 7000 * kUnitsPerMs);
}

// With arrivals: stream times (100 ns) on the graph's reference clock at
// which each PCR's packet came in.
constexpr std::int64_t kSecond = 1000 * kUnitsPerMs;

TEST(ProgramClockArrival, FirstPcrLiesAtItsArrivalAndLaterOnesFollowThePcr) {
  ProgramClock clock;
  const auto first = clock.OnPcr(5000 * kMs, 0, 0, false, 3 * kSecond);
  EXPECT_TRUE(first.newEpoch);
  EXPECT_EQ(first.streamTime, 3 * kSecond);
  EXPECT_EQ(clock.TimeOf((5000 + 450) * 90), 3 * kSecond + 450 * kUnitsPerMs);
  // Delivered 60 ms late: the PCR delta counts, not the arrival.
  const auto next = clock.OnPcr(5040 * kMs, 100, 0, false, 3 * kSecond + 100 * kUnitsPerMs);
  EXPECT_FALSE(next.newEpoch);
  EXPECT_EQ(next.streamTime, 3 * kSecond + 40 * kUnitsPerMs);
}

TEST(ProgramClockArrival, AGapReanchorsAtTheArrival) {
  ProgramClock clock;
  clock.OnPcr(5000 * kMs, 0, 0, false, 0);
  clock.OnPcr(5040 * kMs, 100, 0, false, 40 * kUnitsPerMs);
  // Delivery stalled: the PCR runs on by 40 ms, the packet came 2 s later.
  const auto stalled = clock.OnPcr(5080 * kMs, 200, 0, false, 2040 * kUnitsPerMs);
  EXPECT_TRUE(stalled.newEpoch);
  EXPECT_EQ(stalled.streamTime, 2040 * kUnitsPerMs);
  // The signal was lost for 3 s, and the PCR shows it too.
  const auto resumed = clock.OnPcr(8080 * kMs, 300, 0, false, 5040 * kUnitsPerMs);
  EXPECT_TRUE(resumed.newEpoch);
  EXPECT_EQ(resumed.streamTime, 5040 * kUnitsPerMs);
}

TEST(ProgramClockArrival, ATuneReanchorsAtTheArrivalThoughThePcrRunsOn) {
  ProgramClock clock;
  clock.OnPcr(5000 * kMs, 0, 0, false, 0);
  clock.Reset();
  // The new multiplex's PCR lies 100 ms on; its packet came 700 ms later.
  const auto tuned = clock.OnPcr(5100 * kMs, 100, 0, false, 700 * kUnitsPerMs);
  EXPECT_TRUE(tuned.newEpoch);
  EXPECT_EQ(tuned.streamTime, 700 * kUnitsPerMs);
}

TEST(ProgramClockArrival, ADiscontinuityIndicatorReanchorsAtTheArrival) {
  ProgramClock clock;
  clock.OnPcr(5000 * kMs, 0, 0, false, 0);
  const auto splice = clock.OnPcr(5040 * kMs, 100, 0, true, 300 * kUnitsPerMs);
  EXPECT_TRUE(splice.newEpoch);
  EXPECT_EQ(splice.streamTime, 300 * kUnitsPerMs);
}

TEST(ProgramClockArrival, ThePcrWrapIsNoGap) {
  ProgramClock clock;
  clock.OnPcr(kPcrModulus - 20 * kMs, 0, 0, false, 10 * kSecond);
  const auto wrapped = clock.OnPcr(20 * kMs, 100, 0, false, 10 * kSecond + 45 * kUnitsPerMs);
  EXPECT_FALSE(wrapped.newEpoch);
  EXPECT_EQ(wrapped.streamTime, 10 * kSecond + 40 * kUnitsPerMs);
  EXPECT_EQ(clock.TimeOf(500 * 90), 10 * kSecond + 520 * kUnitsPerMs);
}

// Maps `pid` as an elementary stream onto a new output of `demuxer` into `out`.
void MapStream(TsDemuxer& demuxer, Collector& out, std::uint32_t pid) {
  OutputId id = 0;
  demuxer.CreateOutput({}, &out, &id);
  const std::uint32_t pids[] = {pid};
  demuxer.MapPids(id, pids, MediaSampleContent::kElementaryStream);
}

// The engine hands each chunk's arrival to the clock; a resync (a tune on the
// input) re-anchors at the next PCR's arrival.
TEST(DemuxClock, SamplesAreTimedFromTheArrivalOfTheirPcr) {
  TsDemuxer demuxer;
  Collector audio;
  MapStream(demuxer, audio, 0x34);
  TsWriter writer;
  const Bytes frame = Pattern(300, 1);
  // Each chunk: a PCR, a frame 100 ms on, and a null packet that confirms the
  // frame's last packet.
  auto chunk = [&](std::uint64_t pcrMs) {
    return Concat({writer.AdaptationOnly(0x34, {.pcr = pcrMs * kMs}),
                   writer.Pes(0x34, 0xBD, frame, (pcrMs + 100) * 90, std::nullopt, true),
                   TsWriter::Null()});
  };
  demuxer.Ingest(chunk(5000), 2 * kSecond);
  demuxer.Resync();
  demuxer.Ingest(chunk(5040), 9 * kSecond);
  ASSERT_EQ(audio.items.size(), 2u);
  EXPECT_EQ(audio.items[0].sample.startTime, 2 * kSecond + 100 * kUnitsPerMs);
  EXPECT_EQ(audio.items[1].sample.startTime, 9 * kSecond + 100 * kUnitsPerMs);
  EXPECT_NE(audio.items[1].sample.flags & kSampleDiscontinuity, 0u);
}

class Observer : public ClockObserver {
 public:
  void OnPcr(const PcrEvent& event) override { events.push_back(event); }
  std::vector<PcrEvent> events;
};

TEST(DemuxClock, PrefersThePcrOfAMappedStream) {
  TsDemuxer demuxer;
  Observer observer;
  demuxer.SetClockObserver(&observer);
  Collector video;
  MapStream(demuxer, video, 0x31);
  TsWriter writer;
  // Another programme's PCR comes first, then the mapped stream's.
  demuxer.Ingest(writer.AdaptationOnly(0x100, {.pcr = 777 * kMs}));
  demuxer.Ingest(writer.AdaptationOnly(0x31, {.pcr = 2000 * kMs}));
  demuxer.Ingest(writer.AdaptationOnly(0x100, {.pcr = 817 * kMs}));
  demuxer.Ingest(writer.AdaptationOnly(0x31, {.pcr = 2040 * kMs}));
  EXPECT_EQ(demuxer.PcrPid(), std::optional<std::uint16_t>(0x31));
  ASSERT_EQ(observer.events.size(), 2u);
  EXPECT_EQ(observer.events[1].streamTime, 40 * kUnitsPerMs);
  EXPECT_EQ(observer.events[1].bytePosition, 3u * 188);
  EXPECT_EQ(demuxer.Statistics(0x100).pcrCount, 2u);
  EXPECT_EQ(demuxer.Statistics(0x100).lastPcr, 817 * kMs);

  // An explicit PCR PID wins; out-of-range values are refused.
  EXPECT_EQ(demuxer.SetPcrPid(0x2000), DemuxResult::kInvalidArgument);
  EXPECT_EQ(demuxer.SetPcrPid(0x100), DemuxResult::kDone);
  demuxer.Ingest(writer.AdaptationOnly(0x31, {.pcr = 2080 * kMs}));
  demuxer.Ingest(writer.AdaptationOnly(0x100, {.pcr = 857 * kMs}));
  ASSERT_EQ(observer.events.size(), 3u);
  EXPECT_EQ(observer.events[2].pid, 0x100);
  EXPECT_TRUE(observer.events[2].discontinuity);
}

TEST(DemuxClock, FollowsThePcrPidThatThePmtNames) {
  TsDemuxer demuxer;
  Collector video;
  MapStream(demuxer, video, 0x31);
  TsWriter writer;
  // Programme 1 has its PCR on 0x40; programme 2 (on 0x100) is louder.
  Bytes stream = Concat({writer.Sections(0x00, {MakePat(1, 0x30)}),
                         writer.Sections(0x30, {MakePmt(1, 0x40, {{0x02, 0x31}})})});
  for (int i = 0; i < 8; ++i) {
    stream = Concat({stream, writer.AdaptationOnly(0x100, {.pcr = (900 + 40 * i) * kMs})});
  }
  stream = Concat({stream, writer.AdaptationOnly(0x40, {.pcr = 100 * kMs})});
  demuxer.Ingest(stream);
  EXPECT_EQ(demuxer.PcrPid(), std::optional<std::uint16_t>(0x40));
  EXPECT_EQ(demuxer.Clock().streamTime, 0);

  // A damaged PMT (bad CRC) changes nothing.
  Bytes damaged = MakePmt(1, 0x100, {{0x02, 0x31}});
  damaged.back() ^= 1;
  demuxer.Ingest(writer.Sections(0x30, {damaged}));
  EXPECT_EQ(demuxer.PcrPid(), std::optional<std::uint16_t>(0x40));
  // Without a PMT the same input would settle for the loud programme.
  TsDemuxer blind;
  MapStream(blind, video, 0x31);
  blind.Ingest(Bytes(stream.begin() + 2 * 188, stream.end()));
  EXPECT_EQ(blind.PcrPid(), std::optional<std::uint16_t>(0x100));
}

TEST(DemuxClock, ATuneForgetsTheTablesItLearnt) {
  TsDemuxer demuxer;
  Collector video;
  MapStream(demuxer, video, 0x31);
  TsWriter writer;
  // (A packet is taken once the next one shows it was aligned: each stream
  // ends with one more.)
  demuxer.Ingest(Concat({writer.Sections(0x00, {MakePat(1, 0x30)}),
                         writer.Sections(0x30, {MakePmt(1, 0x40, {{0x02, 0x31}})}),
                         writer.AdaptationOnly(0x40, {.pcr = 100 * kMs})}));
  ASSERT_EQ(demuxer.PcrPid(), std::optional<std::uint16_t>(0x40));
  demuxer.Reset();

  // The new multiplex moves the PMT to 0x50: a table on the old PMT PID is
  // no longer read.
  demuxer.Ingest(Concat({writer.Sections(0x00, {MakePat(1, 0x50)}),
                         writer.Sections(0x50, {MakePmt(1, 0x41, {{0x02, 0x31}})}),
                         writer.Sections(0x30, {MakePmt(1, 0x42, {{0x02, 0x31}})}),
                         writer.AdaptationOnly(0x41, {.pcr = 100 * kMs})}));
  EXPECT_EQ(demuxer.PcrPid(), std::optional<std::uint16_t>(0x41));
}

}  // namespace
}  // namespace demux::test

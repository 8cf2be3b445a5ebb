#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>

#include "platform/bda/virtual/Broadcast.h"
#include "platform/bda/virtual/CaptureLoop.h"
#include "platform/bda/virtual/PacketFields.h"
#include "platform/bda/virtual/PacketSync.h"
#include "platform/bda/virtual/TsPacket.h"
#include "platform/bda/virtual/VirtualTuner.h"
#include "tests/vtuner/TestCapture.h"

namespace vtuner::test {
namespace {

constexpr std::uint64_t kWrap33 = 1ull << 33;
constexpr std::uint64_t kPcrWrap = kWrap33 * 300;
constexpr std::uint64_t kFrequency = 521'000'000;

// Plays `capture` through a tuner (pacing off) and returns `passes` loops of it,
// pulled in chunks of `chunkPackets`.
std::vector<std::uint8_t> PlayThroughTuner(const std::vector<std::uint8_t>& capture, int passes,
                                           std::size_t chunkPackets) {
  TempFolder folder;
  folder.Write("capture.ts", capture);
  auto parsed = vtuner::ParseDescription(
      "pace off\nmultiplex frequency 521000000 QAM capture capture.ts\n", folder.Path(), "test");
  EXPECT_TRUE(parsed.ok) << parsed.error;
  auto broadcast = std::make_shared<vtuner::Broadcast>(parsed.description);
  vtuner::VirtualTuner tuner(broadcast);
  EXPECT_TRUE(tuner.Tune(kFrequency, common::DemodulatorFamily::kQam)) << tuner.LastError();
  std::vector<std::uint8_t> out(capture.size() * passes);
  std::vector<std::uint8_t> chunk(chunkPackets * 188);
  std::size_t filled = 0;
  while (filled < out.size()) {
    const auto n = tuner.Read(chunk);
    EXPECT_EQ(n, chunk.size());
    if (n == 0) break;
    const auto take = std::min(n, out.size() - filled);
    std::copy_n(chunk.begin(), take, out.begin() + static_cast<std::ptrdiff_t>(filled));
    filled += take;
  }
  return out;
}

std::span<const std::uint8_t> PacketAt(const std::vector<std::uint8_t>& bytes, std::size_t i) {
  return std::span<const std::uint8_t>(bytes).subspan(i * 188, 188);
}

// The packets of a loop's first pass, and the loop standing at its end.
std::vector<std::uint8_t> FirstPass(vtuner::CaptureLoop& loop) {
  std::vector<std::uint8_t> packets, packet(188);
  vtuner::CaptureLoop::Halt halt = vtuner::CaptureLoop::Halt::kNone;
  while (loop.ReadUntil(packet, UINT64_MAX, vtuner::CaptureLoop::PassEnd::kStop, &halt) > 0)
    packets.insert(packets.end(), packet.begin(), packet.end());
  return packets;
}

// The timing a loop learns from the first pass of `bytes`.
vtuner::LoopTiming TimingOf(std::span<const std::uint8_t> bytes) {
  vtuner::CaptureLoop loop(vtuner::Capture::FromBytes(bytes));
  FirstPass(loop);
  return loop.Timing();
}

TEST(CaptureLoop, FirstPassIsTheCaptureThenClocksMoveOnByTheLoopLength) {
  CaptureLayout layout;
  const auto capture = MakeCapture(layout);
  const std::size_t count = capture.size() / 188;
  const auto played = PlayThroughTuner(capture, 4, 7);

  ASSERT_TRUE(std::equal(capture.begin(), capture.end(), played.begin()));

  const auto analysed = TimingOf(capture);
  // A constant-rate capture loops after exactly its packet count at that rate.
  const std::uint64_t loop27 = count * layout.ticksPerPacket;
  EXPECT_EQ(analysed.LoopLength27(), loop27);
  EXPECT_EQ(analysed.PcrPid(), kVideoPid);

  for (std::size_t pass = 1; pass < 4; ++pass) {
    for (std::size_t i = 0; i < count; ++i) {
      const auto original = PacketAt(capture, i);
      const auto later = PacketAt(played, pass * count + i);
      const auto a = View(original), b = View(later);
      ASSERT_EQ(a.pid, b.pid);
      ASSERT_EQ(a.pcr.has_value(), b.pcr.has_value());
      if (a.pcr) {
        ASSERT_EQ(*b.pcr, (*a.pcr + pass * loop27) % kPcrWrap) << "packet " << i;
      }
      ASSERT_EQ(a.pts.has_value(), b.pts.has_value());
      if (a.pts) {
        ASSERT_EQ(*b.pts, (*a.pts + pass * loop27 / 300) % kWrap33) << "packet " << i;
      }
      ASSERT_EQ(a.dts.has_value(), b.dts.has_value());
      if (a.dts) {
        ASSERT_EQ(*b.dts, (*a.dts + pass * loop27 / 300) % kWrap33) << "packet " << i;
      }
      EXPECT_FALSE(b.discontinuity);
      // Payload bytes past the PES header are the capture's own.
      ASSERT_TRUE(std::equal(original.begin() + 40, original.end(), later.begin() + 40));
    }
  }
}

TEST(CaptureLoop, TimestampsKeepIncreasingAtTheCapturesRateAcrossSeams) {
  CaptureLayout layout;
  layout.packets = 333;  // the seam falls between PCRs
  const auto capture = MakeCapture(layout);
  const auto played = PlayThroughTuner(capture, 5, 64);

  std::int64_t lastPcrIndex = -1;
  std::uint64_t lastPcr = 0;
  std::map<std::uint16_t, std::uint64_t> lastPts;
  for (std::size_t i = 0; i < played.size() / 188; ++i) {
    const auto view = View(PacketAt(played, i));
    if (view.pcr) {
      if (lastPcrIndex >= 0) {
        // Every PCR lies exactly where the constant rate puts it, seam or not.
        const std::uint64_t expected =
            (static_cast<std::uint64_t>(i) - lastPcrIndex) * layout.ticksPerPacket;
        ASSERT_EQ(*view.pcr - lastPcr, expected) << "packet " << i;
      }
      lastPcrIndex = static_cast<std::int64_t>(i);
      lastPcr = *view.pcr;
    }
    if (view.pts) {
      auto it = lastPts.find(view.pid);
      if (it != lastPts.end()) {
        ASSERT_GT(*view.pts, it->second) << "packet " << i;
      }
      lastPts[view.pid] = *view.pts;
      if (view.dts) {
        ASSERT_LT(*view.dts, *view.pts);
      }
    }
  }
  EXPECT_EQ(lastPts.size(), 2u);
}

TEST(CaptureLoop, ContinuityCountersRunOnAcrossSeams) {
  for (int bareShift : {0, 1}) {
    CaptureLayout layout;
    layout.packets = 277;
    layout.bareShift = bareShift;  // 1: the PCR PID's first packet has no payload
    const auto capture = MakeCapture(layout);
    const auto played = PlayThroughTuner(capture, 20, 13);  // more than 16 passes
    std::map<std::uint16_t, std::uint8_t> last;
    for (std::size_t i = 0; i < played.size() / 188; ++i) {
      const auto view = View(PacketAt(played, i));
      if (view.pid == 0x1FFF) continue;
      auto it = last.find(view.pid);
      if (it != last.end()) {
        const std::uint8_t expected = (it->second + (view.hasPayload ? 1 : 0)) & 0x0F;
        ASSERT_EQ(view.counter, expected) << "pid " << view.pid << " packet " << i;
      }
      last[view.pid] = view.counter;
    }
    EXPECT_EQ(last.size(), 4u);
  }
}

TEST(CaptureLoop, TheCapturesOpeningDiscontinuityIsClearedAtTheSeam) {
  CaptureLayout layout;
  layout.discontinuityAtStart = true;
  const auto capture = MakeCapture(layout);
  const auto played = PlayThroughTuner(capture, 3, 100);
  const std::size_t count = capture.size() / 188;
  ASSERT_TRUE(View(PacketAt(played, 0)).discontinuity);  // the first pass is the capture
  for (std::size_t i = 1; i < played.size() / 188; ++i)
    ASSERT_FALSE(View(PacketAt(played, i)).discontinuity) << "packet " << i;
  // Apart from the flag, the seam packet is the capture's first with its clocks moved on.
  auto seam = PacketAt(played, count);
  EXPECT_EQ(*View(seam).pcr, *View(PacketAt(capture, 0)).pcr + count * layout.ticksPerPacket);
  EXPECT_EQ(seam[5] | 0x80, capture[5]);
}

TEST(CaptureLoop, ClocksWrapAtTheirFieldWidth) {
  CaptureLayout layout;
  // The second pass crosses the 33-bit wrap of PTS/DTS and the PCR's wrap.
  layout.firstPcr = kPcrWrap - 3 * 500 * layout.ticksPerPacket / 2;
  const auto capture = MakeCapture(layout);
  const auto played = PlayThroughTuner(capture, 3, 50);
  const std::size_t count = capture.size() / 188;
  const std::uint64_t loop27 = count * layout.ticksPerPacket;
  bool wrapped = false;
  for (std::size_t i = 0; i < count; ++i) {
    const auto a = View(PacketAt(capture, i));
    const auto b = View(PacketAt(played, 2 * count + i));
    if (a.pcr) {
      EXPECT_EQ(*b.pcr, (*a.pcr + 2 * loop27) % kPcrWrap);
      EXPECT_LT(*b.pcr, kPcrWrap);
      wrapped |= *b.pcr < *a.pcr;
    }
    if (a.pts) {
      EXPECT_EQ(*b.pts, (*a.pts + 2 * loop27 / 300) % kWrap33);
    }
    if (a.dts) {
      EXPECT_EQ(*b.dts, (*a.dts + 2 * loop27 / 300) % kWrap33);
    }
    // Marker bits and prefixes of the rewritten fields stay as written.
    const auto original = PacketAt(capture, i), later = PacketAt(played, 2 * count + i);
    if (a.pts) {
      const std::size_t at = 188 - 184 + 9;
      EXPECT_EQ(later[at] & 0xF1, original[at] & 0xF1);
      EXPECT_EQ(later[at + 2] & 1, 1);
      EXPECT_EQ(later[at + 4] & 1, 1);
    }
  }
  EXPECT_TRUE(wrapped);
}

TEST(CaptureLoop, WithoutPcrTheNominalRateTimesTheLoop) {
  CaptureLayout layout;
  layout.withPcr = false;
  const auto capture = MakeCapture(layout);
  const auto analysed = TimingOf(capture);
  EXPECT_EQ(analysed.PcrPid(), -1);
  const double seconds = analysed.PacketCount() * 188.0 * 8 / vtuner::kNominalBitsPerSecond;
  EXPECT_NEAR(static_cast<double>(analysed.LoopLength27()), seconds * 27e6, 300);
  EXPECT_EQ(analysed.LoopLength27() % 300, 0u);
}

TEST(CaptureLoop, GarbageAroundPacketsIsSkipped) {
  CaptureLayout layout;
  layout.packets = 120;
  const auto clean = MakeCapture(layout);
  std::vector<std::uint8_t> dirty = {0x47, 0x00, 0x47, 0x12};  // false syncs up front
  dirty.insert(dirty.end(), clean.begin(), clean.begin() + 188 * 60);
  dirty.insert(dirty.end(), {0x00, 0x47, 0x47});  // a hiccup in the middle
  dirty.insert(dirty.end(), clean.begin() + 188 * 60, clean.end());
  dirty.insert(dirty.end(), 100, 0x47);  // a torn packet at the end
  vtuner::CaptureLoop loop(vtuner::Capture::FromBytes(dirty));
  EXPECT_EQ(FirstPass(loop), clean);
  EXPECT_EQ(loop.SkippedBytes(), 4u + 3u + 100u);
}

// Whatever the damage, playback gives whole packets of the capture in order:
// the first pass unchanged, later ones with only the continuity counter and
// the clocks moved on by the loop.
TEST(CaptureLoop, RandomBytesNeverBreakPlayback) {
  std::mt19937 random(7);
  CaptureLayout layout;
  layout.packets = 60;
  const auto base = MakeCapture(layout);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    auto bytes = base;
    // Damage a few bytes everywhere, headers included, keeping most syncs.
    for (int k = 0; k < 40; ++k)
      bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
    bytes.resize(random() % bytes.size());
    const auto capture = vtuner::Capture::FromBytes(bytes);
    vtuner::CaptureLoop first(capture);
    const auto packets = FirstPass(first);
    const std::size_t count = packets.size() / 188;
    const vtuner::LoopTiming& timing = first.Timing();
    vtuner::CaptureLoop loop(capture);
    std::vector<std::uint8_t> out(188 * 37);
    std::uint64_t played = 0;
    for (int i = 0; i < 10; ++i) {
      const std::size_t n = loop.Read(out);
      ASSERT_EQ(n, count == 0 ? 0u : out.size());
      for (std::size_t at = 0; at < n; at += 188, ++played) {
        const std::uint64_t pass = played / count;
        const std::size_t index = played % count;
        const std::uint8_t* in = packets.data() + index * 188;
        const std::uint8_t* got = out.data() + at;
        if (pass == 0) {
          ASSERT_TRUE(std::equal(got, got + 188, in)) << "packet " << index;
          continue;
        }
        ASSERT_TRUE(std::equal(got, got + 3, in)) << "sync and PID of packet " << index;
        const vtuner::PacketFields fields = vtuner::AnalysePacket(in);
        if (fields.pcr) {
          ASSERT_EQ(vtuner::ReadPcr(got + fields.pcr),
                    (vtuner::ReadPcr(in + fields.pcr) + pass * timing.LoopLength27()) % kPcrWrap);
        }
        if (fields.counted) {
          ASSERT_EQ(got[3] & 0x0F, (in[3] + pass * timing.CounterStep(fields.pid)) & 0x0F);
        }
      }
    }
  }
}

// A file is read through a bounded read-ahead: a capture several times its
// size, with stray bytes where the read-ahead is refilled, plays exactly.
TEST(CaptureLoop, ACaptureLargerThanTheReadAheadPlaysExactlyAcrossPasses) {
  CaptureLayout layout;
  layout.packets = static_cast<int>(3 * vtuner::PacketSync::kReadAhead / 188);
  const auto clean = MakeCapture(layout);
  std::vector<std::uint8_t> dirty(clean.begin(), clean.end());
  // Between packets, near where each read-ahead ends.
  const std::size_t step = vtuner::PacketSync::kReadAhead / 188 * 188;
  for (std::size_t cut = step; cut < dirty.size(); cut += step + 2)
    dirty.insert(dirty.begin() + static_cast<std::ptrdiff_t>(cut), {0x00, 0x47});
  const std::size_t count = clean.size() / 188;
  const auto played = PlayThroughTuner(dirty, 2, 348);
  ASSERT_TRUE(std::equal(clean.begin(), clean.end(), played.begin()));
  const std::uint64_t loop27 = count * layout.ticksPerPacket;
  for (std::size_t i = 0; i < count; ++i) {
    const auto a = View(PacketAt(clean, i)), b = View(PacketAt(played, count + i));
    ASSERT_EQ(a.pid, b.pid) << "packet " << i;
    if (a.pcr) {
      ASSERT_EQ(*b.pcr, *a.pcr + loop27) << "packet " << i;
    }
    ASSERT_TRUE(std::equal(PacketAt(clean, i).begin() + 40, PacketAt(clean, i).end(),
                           PacketAt(played, count + i).begin() + 40));
  }
}

// Reads a file capture through a tuner, changes the file with `change` after
// the first chunk, and reads on; the tuner's failure once it stops delivering.
std::string FailureAfter(const std::function<void(const std::filesystem::path&)>& change) {
  TempFolder folder;
  CaptureLayout layout;
  layout.packets = static_cast<int>(2 * vtuner::PacketSync::kReadAhead / 188);
  const auto file = folder.Write("capture.ts", MakeCapture(layout));
  auto parsed = vtuner::ParseDescription(
      "pace off\nmultiplex frequency 521000000 QAM capture capture.ts\n", folder.Path(), "test");
  vtuner::VirtualTuner tuner(std::make_shared<vtuner::Broadcast>(parsed.description));
  EXPECT_TRUE(tuner.Tune(kFrequency, common::DemodulatorFamily::kQam));
  std::vector<std::uint8_t> chunk(188 * 348);
  EXPECT_EQ(tuner.Read(chunk), chunk.size());
  change(file);
  for (int i = 0; i < 100 && tuner.Read(chunk) > 0; ++i) {
  }
  EXPECT_EQ(tuner.Read(chunk), 0u);
  // Nothing is on the air any more.
  EXPECT_FALSE(tuner.Statistics().present);
  EXPECT_FALSE(tuner.Statistics().locked);
  return tuner.Failure();
}

TEST(CaptureLoop, ACaptureThatShrinksEndsTheStreamSayingSo) {
  const std::string failure = FailureAfter(
      [](const std::filesystem::path& file) { std::filesystem::resize_file(file, 188 * 1000); });
  EXPECT_NE(failure.find("capture.ts: the capture shrank from "), std::string::npos) << failure;
  EXPECT_NE(failure.find(" to 188000 bytes"), std::string::npos) << failure;
}

TEST(CaptureLoop, ACaptureThatIsRemovedEndsTheStreamSayingSo) {
  const std::string failure =
      FailureAfter([](const std::filesystem::path& file) { std::filesystem::remove(file); });
  EXPECT_NE(failure.find("capture.ts: the capture was removed"), std::string::npos) << failure;
}

// What a loop gives between two stops, and the pass it stops in.
struct Segment {
  std::uint64_t pass = 0;
  std::vector<std::uint8_t> bytes;
  bool operator==(const Segment&) const = default;
};

// The segments of a loop's first `passes` passes, its clock stopping every
// `step` ticks and at every pass end.
std::vector<Segment> Segments(vtuner::CaptureLoop& loop, std::uint64_t passes, std::uint64_t step) {
  using vtuner::CaptureLoop;
  std::vector<Segment> segments(1);
  std::vector<std::uint8_t> chunk(188 * 64);
  std::uint64_t until = step;
  CaptureLoop::PassEnd passEnd = CaptureLoop::PassEnd::kStop;
  for (;;) {
    CaptureLoop::Halt halt = CaptureLoop::Halt::kNone;
    const std::size_t n = loop.ReadUntil(chunk, until, passEnd, &halt);
    auto& bytes = segments.back().bytes;
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    passEnd = CaptureLoop::PassEnd::kStop;
    if (halt == CaptureLoop::Halt::kNone) continue;
    segments.back().pass = loop.Pass();
    if (halt == CaptureLoop::Halt::kEnded) break;
    if (halt == CaptureLoop::Halt::kTime) until += step;
    if (halt == CaptureLoop::Halt::kPassEnd) {
      if (loop.Pass() + 1 == passes) break;
      passEnd = CaptureLoop::PassEnd::kCrossThisOne;
    }
    segments.emplace_back();
  }
  return segments;
}

std::vector<std::uint8_t> PacketsOf(const std::vector<std::uint8_t>& bytes,
                                    std::initializer_list<std::uint16_t> pids) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < bytes.size() / 188; ++i) {
    const auto packet = PacketAt(bytes, i);
    if (std::find(pids.begin(), pids.end(), View(packet).pid) != pids.end())
      out.insert(out.end(), packet.begin(), packet.end());
  }
  return out;
}

TEST(CaptureLoop, LaterPassesOfTablesAloneCarryTheTablesAndStopWhereFullPassesStop) {
  const auto capture = vtuner::Capture::FromBytes(MakeCapture(CaptureLayout{}));
  vtuner::CaptureLoop full(capture), tables(capture);
  tables.KeepTablesOnly(4 << 20);
  constexpr std::uint64_t kStep = 200'000;
  const auto fullSegments = Segments(full, 3, kStep);
  const auto tableSegments = Segments(tables, 3, kStep);
  ASSERT_EQ(tableSegments.size(), fullSegments.size());
  ASSERT_EQ(fullSegments.back().pass, 2u);
  for (std::size_t i = 0; i < fullSegments.size(); ++i) {
    const Segment& got = tableSegments[i];
    const Segment& whole = fullSegments[i];
    ASSERT_EQ(got.pass, whole.pass) << "segment " << i;
    if (whole.pass == 0) {
      EXPECT_EQ(got.bytes, whole.bytes) << "segment " << i;
      continue;
    }
    EXPECT_EQ(PacketsOf(got.bytes, {0x0000, kPmtPid}), PacketsOf(whole.bytes, {0x0000, kPmtPid}))
        << "segment " << i;
    EXPECT_TRUE(PacketsOf(got.bytes, {kAudioPid, vtuner::kNullPid}).empty()) << "segment " << i;
    EXPECT_LE(PacketsOf(got.bytes, {kVideoPid}).size(), 188u) << "segment " << i;
  }
}

TEST(CaptureLoop, LaterPassesOfTablesAloneAreWholeWhenTheRecordOutgrowsItsLimit) {
  const auto capture = vtuner::Capture::FromBytes(MakeCapture(CaptureLayout{}));
  vtuner::CaptureLoop full(capture), tables(capture);
  tables.KeepTablesOnly(1000);
  EXPECT_EQ(Segments(tables, 3, 200'000), Segments(full, 3, 200'000));
}

TEST(CaptureLoop, ReadsOnlyWholePackets) {
  CaptureLayout layout;
  layout.packets = 10;
  vtuner::CaptureLoop loop(vtuner::Capture::FromBytes(MakeCapture(layout)));
  std::vector<std::uint8_t> out(187);
  EXPECT_EQ(loop.Read(out), 0u);
  out.resize(188 * 3 + 100);
  EXPECT_EQ(loop.Read(out), 188u * 3);
  EXPECT_EQ(loop.NextPacket(), 3u);
  vtuner::CaptureLoop empty(vtuner::Capture::FromBytes({}));
  EXPECT_EQ(empty.Read(out), 0u);
}

}  // namespace
}  // namespace vtuner::test

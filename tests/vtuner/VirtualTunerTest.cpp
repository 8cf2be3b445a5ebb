#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/bda/virtual/Broadcast.h"
#include "platform/bda/virtual/VirtualTuner.h"
#include "tests/vtuner/TestCapture.h"

namespace vtuner::test {
namespace {

using common::DemodulatorFamily;

// A clock that never waits: sleeping moves it to the time slept to.
class FakeClock : public vtuner::Clock {
 public:
  std::chrono::nanoseconds Now() override { return now_; }
  void SleepUntil(std::chrono::nanoseconds time) override {
    ++sleeps_;
    if (time > now_) now_ = time;
  }
  void Advance(std::chrono::nanoseconds by) { now_ += by; }
  int Sleeps() const { return sleeps_; }

 private:
  std::chrono::nanoseconds now_{std::chrono::seconds(1000)};
  int sleeps_ = 0;
};

class VirtualTunerTest : public ::testing::Test {
 protected:
  void SetUp() override { unsetenv("CORVANE_TUNER_PACE"); }
  void TearDown() override { unsetenv("CORVANE_TUNER_PACE"); }

  std::shared_ptr<vtuner::Broadcast> Load(const std::string& text) {
    folder_.Write("a.ts", MakeCapture(spec_));
    CaptureLayout other = spec_;
    other.firstPcr = 5'000'000'000;
    folder_.Write("b.ts", MakeCapture(other));
    const auto file = folder_.WriteText("broadcast.txt", text);
    std::string error;
    auto broadcast = vtuner::Broadcast::Load(file, &error);
    EXPECT_TRUE(broadcast) << error;
    return broadcast;
  }

  TempFolder folder_;
  CaptureLayout spec_;
  FakeClock clock_;
};

// Antenna US channel 22: 519.25 MHz given to the RF node in hertz.
constexpr std::uint64_t kChannel22 = 519'250'000;

TEST_F(VirtualTunerTest, LocksOnlyOnADeclaredFrequencyAndFamily) {
  auto broadcast = Load(
      "pace off\n"
      "multiplex \"Antenna US\" 22 VSB:8-VSB capture a.ts quality 73\n"
      "multiplex frequency 600000000 QAM capture b.ts\n");
  vtuner::VirtualTuner tuner(broadcast);
  std::vector<std::uint8_t> chunk(188 * 10);

  EXPECT_FALSE(tuner.Tune(533'250'000, DemodulatorFamily::kVsb));
  auto stats = tuner.Statistics();
  EXPECT_FALSE(stats.locked);
  EXPECT_FALSE(stats.present);
  EXPECT_EQ(stats.quality, 0);
  EXPECT_EQ(tuner.Read(chunk), 0u);
  EXPECT_NE(tuner.LastError().find("533250000"), std::string::npos);

  // The right frequency with the wrong demodulator gives nothing either.
  EXPECT_FALSE(tuner.Tune(kChannel22, DemodulatorFamily::kQam));
  stats = tuner.Statistics();
  EXPECT_FALSE(stats.locked);
  EXPECT_TRUE(stats.present);  // the VSB carrier is there all the same
  EXPECT_EQ(stats.quality, 0);
  EXPECT_EQ(tuner.Read(chunk), 0u);

  for (const std::uint64_t frequency : {kChannel22, kChannel22 - 100'000, kChannel22 + 100'000}) {
    EXPECT_TRUE(tuner.Tune(frequency, DemodulatorFamily::kVsb)) << frequency;
    stats = tuner.Statistics();
    EXPECT_TRUE(stats.locked);
    EXPECT_TRUE(stats.present);
    EXPECT_EQ(stats.quality, 73);
    EXPECT_EQ(tuner.Read(chunk), chunk.size());
  }
  for (const std::uint64_t frequency : {kChannel22 - 100'001, kChannel22 + 100'001}) {
    EXPECT_FALSE(tuner.Tune(frequency, DemodulatorFamily::kVsb)) << frequency;
    EXPECT_EQ(tuner.Read(chunk), 0u);
  }

  // Another multiplex starts at its own beginning.
  ASSERT_TRUE(tuner.Tune(600'000'000, DemodulatorFamily::kQam));
  EXPECT_EQ(tuner.Statistics().quality, 100);
  ASSERT_EQ(tuner.Read(chunk), chunk.size());
  EXPECT_EQ(View(std::span(chunk).first(188)).pcr, 5'000'000'000u);

  tuner.Untune();
  EXPECT_FALSE(tuner.Statistics().locked);
  EXPECT_EQ(tuner.Read(chunk), 0u);
}

TEST_F(VirtualTunerTest, ASignalWithoutQualityIsPresentButNotLocked) {
  auto broadcast = Load("multiplex frequency 600000000 QAM capture a.ts quality 0\n");
  vtuner::VirtualTuner tuner(broadcast);
  EXPECT_FALSE(tuner.Tune(600'000'000, DemodulatorFamily::kQam));
  const auto stats = tuner.Statistics();
  EXPECT_TRUE(stats.present);
  EXPECT_FALSE(stats.locked);
  std::vector<std::uint8_t> chunk(188);
  EXPECT_EQ(tuner.Read(chunk), 0u);
}

TEST_F(VirtualTunerTest, ADropoutLosesTheLockForItsTimeThenGoesOnWhereItStopped) {
  auto broadcast =
      Load("pace off\nmultiplex \"Antenna US\" 22 VSB capture a.ts quality 70 dropout 1 3\n");
  VirtualTuner tuner(broadcast, clock_);
  ASSERT_TRUE(tuner.Tune(kChannel22, DemodulatorFamily::kVsb));
  std::vector<std::uint8_t> chunk(188 * 64);
  constexpr std::uint64_t kSecond = 27'000'000;
  while (tuner.StreamTime() < kSecond)
    ASSERT_GT(tuner.Read(chunk), 0u);
  const std::uint64_t stoppedAt = tuner.StreamTime();

  EXPECT_EQ(tuner.Read(chunk), 0u);  // the dropout begins
  clock_.Advance(std::chrono::milliseconds(2999));
  EXPECT_EQ(tuner.Read(chunk), 0u);
  EXPECT_FALSE(tuner.Statistics().locked);
  EXPECT_TRUE(tuner.Statistics().present);
  EXPECT_EQ(tuner.Statistics().quality, 0);
  EXPECT_EQ(tuner.Failure(), "");

  clock_.Advance(std::chrono::milliseconds(1));
  EXPECT_TRUE(tuner.Statistics().locked);
  EXPECT_EQ(tuner.Statistics().quality, 70);
  ASSERT_GT(tuner.Read(chunk), 0u);
  EXPECT_GT(tuner.StreamTime(), stoppedAt);
  EXPECT_LT(tuner.StreamTime(), stoppedAt + kSecond / 10);
  // Once per tune.
  clock_.Advance(std::chrono::seconds(10));
  while (tuner.StreamTime() < 3 * kSecond)
    ASSERT_GT(tuner.Read(chunk), 0u);
}

TEST_F(VirtualTunerTest, AHeldStreamStopsAtTheHoldStaysLockedAndGoesOnWhenItMoves) {
  auto broadcast = Load("pace off\nmultiplex \"Antenna US\" 22 VSB capture a.ts\n");
  constexpr std::uint64_t kSecond = 27'000'000;
  broadcast->HoldStreamsAt(0);
  VirtualTuner tuner(broadcast, clock_);
  ASSERT_TRUE(tuner.Tune(kChannel22, DemodulatorFamily::kVsb));
  std::vector<std::uint8_t> chunk(188 * 64);
  EXPECT_EQ(tuner.Read(chunk), 0u);
  EXPECT_TRUE(tuner.Statistics().locked);

  broadcast->HoldStreamsAt(kSecond);
  std::size_t reads = 0;
  while (tuner.Read(chunk) > 0)
    ASSERT_LT(++reads, 10'000u);
  EXPECT_GE(tuner.StreamTime(), kSecond);
  EXPECT_LT(tuner.StreamTime(), kSecond + kSecond / 10);

  broadcast->HoldStreamsAt(2 * kSecond);
  EXPECT_GT(tuner.Read(chunk), 0u);
}

TEST_F(VirtualTunerTest, ACaptureWithoutPacketsDoesNotLock) {
  folder_.WriteText("junk.ts", std::string(5000, 'x'));
  auto broadcast = Load("multiplex frequency 600000000 QAM capture junk.ts\n");
  vtuner::VirtualTuner tuner(broadcast);
  EXPECT_FALSE(tuner.Tune(600'000'000, DemodulatorFamily::kQam));
  EXPECT_NE(tuner.LastError().find("no transport packets"), std::string::npos);
}

class CountingSource : public vtuner::PacketSource {
 public:
  explicit CountingSource(std::uint8_t fill) : fill_(fill) {}
  std::size_t Read(std::span<std::uint8_t> out) override {
    const std::size_t n = out.size() / 188 * 188;
    std::fill_n(out.begin(), n, fill_);
    return n;
  }

 private:
  std::uint8_t fill_;
};

TEST_F(VirtualTunerTest, SyntheticMultiplexesComeFromThePluggedFactory) {
  auto broadcast = Load(
      "pace off\n"
      "multiplex 1 45 QAM:256-QAM synthetic sports quality 60\n"
      "  fill 0x5A\n");
  vtuner::VirtualTuner tuner(broadcast);
  const auto frequency = common::ResolveFrequency(common::kCableStandard, 45);
  const std::uint64_t hz = std::uint64_t{frequency->frequency} * frequency->multiplier;

  EXPECT_FALSE(tuner.Tune(hz, DemodulatorFamily::kQam));
  EXPECT_NE(tuner.LastError().find("no generator for synthetic multiplex \"sports\""),
            std::string::npos);

  std::string seenBody;
  broadcast->SetSyntheticSourceFactory(
      [&](const vtuner::MultiplexDecl& mux, std::string*) -> std::unique_ptr<vtuner::PacketSource> {
        seenBody = mux.body.at(0).text;
        return std::make_unique<CountingSource>(0x5A);
      });
  ASSERT_TRUE(tuner.Tune(hz, DemodulatorFamily::kQam));
  EXPECT_EQ(tuner.Statistics().quality, 60);
  EXPECT_EQ(seenBody, "  fill 0x5A");
  std::vector<std::uint8_t> chunk(188 * 2 + 5);
  EXPECT_EQ(tuner.Read(chunk), 376u);
  EXPECT_EQ(chunk[375], 0x5A);
}

TEST_F(VirtualTunerTest, PaceSwitches) {
  const std::string paced = "multiplex frequency 600000000 QAM capture a.ts\n";
  EXPECT_TRUE(Load(paced)->Paced());
  EXPECT_FALSE(Load("pace off\n" + paced)->Paced());
  setenv("CORVANE_TUNER_PACE", "0", 1);
  EXPECT_FALSE(Load(paced)->Paced());
  setenv("CORVANE_TUNER_PACE", "1", 1);
  EXPECT_TRUE(Load(paced)->Paced());
  EXPECT_FALSE(Load("pace off\n" + paced)->Paced());
}

TEST_F(VirtualTunerTest, TheEnvironmentNamesTheDescription) {
  Load("tuners 5\nmultiplex frequency 600000000 QAM capture a.ts\n");
  const auto fallback = folder_.WriteText("fallback.txt", "tuners 1\n");
  std::string error;
  setenv("CORVANE_BROADCAST", (folder_.Path() / "broadcast.txt").c_str(), 1);
  auto named = vtuner::Broadcast::LoadFromEnvironment(fallback, &error);
  unsetenv("CORVANE_BROADCAST");
  ASSERT_TRUE(named) << error;
  EXPECT_EQ(named->TunerCount(), 5);
  EXPECT_EQ(vtuner::Broadcast::LoadFromEnvironment(fallback, &error)->TunerCount(), 1);
  EXPECT_FALSE(vtuner::Broadcast::LoadFromEnvironment(folder_.Path() / "none.txt", &error));
  EXPECT_NE(error.find("none.txt"), std::string::npos);
}

TEST_F(VirtualTunerTest, UnpacedReadsNeverWait) {
  setenv("CORVANE_TUNER_PACE", "0", 1);
  auto broadcast = Load("multiplex frequency 600000000 QAM capture a.ts\n");
  vtuner::VirtualTuner tuner(broadcast, clock_);
  ASSERT_TRUE(tuner.Tune(600'000'000, DemodulatorFamily::kQam));
  std::vector<std::uint8_t> chunk(188 * 100);
  const auto before = clock_.Now();
  for (int i = 0; i < 20; ++i)
    ASSERT_EQ(tuner.Read(chunk), chunk.size());
  EXPECT_EQ(clock_.Sleeps(), 0);
  EXPECT_EQ(clock_.Now(), before);
}

std::chrono::nanoseconds TicksToNs(std::uint64_t ticks) {
  return std::chrono::nanoseconds(static_cast<std::int64_t>(ticks * 1000 / 27));
}

TEST_F(VirtualTunerTest, PacingFollowsThePcrAcrossLoops) {
  spec_.packets = 333;
  auto broadcast = Load("multiplex frequency 600000000 QAM capture a.ts\n");
  ASSERT_TRUE(broadcast->Paced());
  vtuner::VirtualTuner tuner(broadcast, clock_);
  ASSERT_TRUE(tuner.Tune(600'000'000, DemodulatorFamily::kQam));
  const auto start = clock_.Now();  // the first packet carries the first PCR

  std::size_t delivered = 0;  // packets
  for (const std::size_t chunkPackets : {1, 19, 64, 100, 250, 7, 333, 500, 41, 64, 64}) {
    std::vector<std::uint8_t> chunk(chunkPackets * 188);
    ASSERT_EQ(tuner.Read(chunk), chunk.size());
    delivered += chunkPackets;
    if (delivered <= static_cast<std::size_t>(spec_.pcrInterval)) continue;  // no rate known yet
    // The chunk's last packet is due when the constant-rate clock reaches it.
    const auto due = start + TicksToNs((delivered - 1) * spec_.ticksPerPacket);
    EXPECT_NEAR(static_cast<double>(clock_.Now().count()), static_cast<double>(due.count()), 1000.0)
        << "after " << delivered << " packets";
  }
  EXPECT_GT(delivered, 3u * 333);
}

TEST_F(VirtualTunerTest, AReaderThatFellBehindIsNotRushed) {
  auto broadcast = Load("multiplex frequency 600000000 QAM capture a.ts\n");
  vtuner::VirtualTuner tuner(broadcast, clock_);
  ASSERT_TRUE(tuner.Tune(600'000'000, DemodulatorFamily::kQam));
  std::vector<std::uint8_t> chunk(188 * 50);
  for (int i = 0; i < 3; ++i)
    tuner.Read(chunk);
  clock_.Advance(std::chrono::seconds(10));  // the reader stalled
  tuner.Read(chunk);
  const auto resumed = clock_.Now();
  tuner.Read(chunk);
  // The next chunk is due one chunk's duration after the resumed one, not at once.
  EXPECT_NEAR(static_cast<double>((clock_.Now() - resumed).count()),
              static_cast<double>(TicksToNs(50 * spec_.ticksPerPacket).count()), 1000.0);
}

// A hardware tuner keeps what is due but unread in a ring of kDeviceBufferBytes:
// a stall that fits it loses nothing, a longer one loses the excess once.
TEST_F(VirtualTunerTest, AStalledReaderLosesWhatOverflowsTheDeviceBuffer) {
  auto broadcast = Load("multiplex frequency 600000000 QAM capture a.ts\n");
  vtuner::VirtualTuner tuner(broadcast, clock_);
  ASSERT_TRUE(tuner.Tune(600'000'000, DemodulatorFamily::kQam));
  std::vector<std::uint8_t> chunk(188 * 50);
  const auto packetsIn = [&](std::chrono::nanoseconds time) {
    return static_cast<double>(time.count()) /
           static_cast<double>(TicksToNs(spec_.ticksPerPacket).count());
  };
  const auto stallThenRead = [&](std::chrono::seconds stall) {
    clock_.Advance(stall);
    tuner.Read(chunk);
  };
  for (int i = 0; i < 3; ++i)
    tuner.Read(chunk);
  EXPECT_EQ(tuner.Lag().worstBacklogBytes, 0u);

  // Due and unread at the read: the stall's packets, less the chunk's own
  // duration, plus the chunk.
  stallThenRead(std::chrono::seconds(3));
  EXPECT_NEAR(static_cast<double>(tuner.Lag().worstBacklogBytes) / 188,
              packetsIn(std::chrono::seconds(3)), 1.0);
  EXPECT_EQ(tuner.Lag().packetsOverflowed, 0u);

  stallThenRead(std::chrono::seconds(10));
  const double overflow = packetsIn(std::chrono::seconds(10)) - vtuner::kDeviceBufferBytes / 188.0;
  EXPECT_NEAR(static_cast<double>(tuner.Lag().packetsOverflowed), overflow, 1.0);
  for (int i = 0; i < 5; ++i)
    tuner.Read(chunk);
  EXPECT_NEAR(static_cast<double>(tuner.Lag().packetsOverflowed), overflow, 1.0);
}

TEST_F(VirtualTunerTest, TuningWhileAnotherThreadReads) {
  auto broadcast = Load(
      "pace off\n"
      "multiplex frequency 600000000 QAM capture a.ts\n"
      "multiplex frequency 700000000 QAM capture b.ts\n");
  vtuner::VirtualTuner tuner(broadcast);
  tuner.Tune(600'000'000, DemodulatorFamily::kQam);
  std::atomic<bool> stop = false;
  std::atomic<std::size_t> bytes = 0;
  std::thread reader([&] {
    std::vector<std::uint8_t> chunk(188 * 64);
    while (!stop)
      bytes += tuner.Read(chunk);
  });
  for (int i = 0; i < 200 || bytes == 0; ++i) {
    tuner.Tune(i % 3 == 2 ? 650'000'000 : (i % 2 ? 700'000'000 : 600'000'000),
               DemodulatorFamily::kQam);
    tuner.Statistics();
  }
  stop = true;
  reader.join();
  EXPECT_GT(bytes, 0u);
}

}  // namespace
}  // namespace vtuner::test

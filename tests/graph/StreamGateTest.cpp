// The stream gate of a capture put on the air: where it stops (every second
// of the capture's own clock, every pass end) and what it hands out.
#include "graph/capture/StreamGate.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/bda/virtual/PacketSync.h"
#include "platform/bda/virtual/TsPacket.h"
#include "tests/vtuner/TestCapture.h"

namespace graph::test {
namespace {

// 200 packets per second of PCR time, 500 packets (2.5 s) per pass.
constexpr int kPacketsPerSecond = 200;
constexpr int kPassPackets = 500;

std::shared_ptr<const vtuner::Capture> Capture() {
  vtuner::test::CaptureLayout layout;
  layout.packets = kPassPackets;
  layout.ticksPerPacket = 27'000'000 / kPacketsPerSecond;
  return vtuner::Capture::FromBytes(vtuner::test::MakeCapture(layout));
}

// Opens the gate and reads, as the tuner does, until it shuts again; the
// bytes read go to `read`.
GatePosition RunToStop(StreamGate& gate, std::uint64_t& read) {
  gate.Open();
  std::vector<std::uint8_t> buffer(vtuner::kPacketSize * 64);
  while (const std::size_t n = gate.Read(buffer)) {
    EXPECT_EQ(n % vtuner::kPacketSize, 0u);
    read += n;
  }
  const auto position = gate.WaitAtGate(0);
  EXPECT_TRUE(position.has_value());
  return position.value_or(GatePosition{});
}

TEST(StreamGate, ShutAtTheStartUntilOpened) {
  StreamGate gate(Capture());
  std::vector<std::uint8_t> buffer(vtuner::kPacketSize * 4);
  EXPECT_EQ(gate.Read(buffer), 0u);
  const auto position = gate.WaitAtGate(0);
  ASSERT_TRUE(position.has_value());
  EXPECT_EQ(position->stop, GateStop::kStart);
  EXPECT_EQ(position->bytes, 0u);
}

TEST(StreamGate, StopsAtEverySecondAndAtThePassEndWithTimeGoingOnAcrossPasses) {
  StreamGate gate(Capture());
  std::vector<std::uint8_t> buffer(vtuner::kPacketSize);
  gate.Read(buffer);
  struct Expected {
    GateStop stop;
    std::uint64_t seconds, passes, packets;
  };
  const Expected stops[] = {{GateStop::kSecond, 1, 0, kPacketsPerSecond},
                            {GateStop::kSecond, 2, 0, 2 * kPacketsPerSecond},
                            {GateStop::kPassEnd, 2, 1, kPassPackets},
                            {GateStop::kSecond, 3, 1, 3 * kPacketsPerSecond}};
  std::uint64_t read = 0;
  for (const Expected& expected : stops) {
    const GatePosition position = RunToStop(gate, read);
    EXPECT_EQ(position.stop, expected.stop);
    EXPECT_EQ(position.seconds, expected.seconds);
    EXPECT_EQ(position.passes, expected.passes);
    EXPECT_EQ(position.bytes, expected.packets * vtuner::kPacketSize);
    EXPECT_EQ(read, position.bytes);
  }
}

// The tools learn why a capture stopped: the gate stands at its end for good.
TEST(StreamGate, ACaptureThatCanNoLongerBeReadEndsTheStreamWithItsReason) {
  vtuner::test::TempFolder folder;
  vtuner::test::CaptureLayout layout;
  layout.packets = 2 * static_cast<int>(vtuner::PacketSync::kReadAhead / vtuner::kPacketSize);
  const auto file = folder.Write("capture.ts", vtuner::test::MakeCapture(layout));
  std::string error;
  StreamGate gate(vtuner::Capture::Load(file, &error));
  gate.Open();
  std::vector<std::uint8_t> buffer(vtuner::kPacketSize * 64);
  ASSERT_EQ(gate.Read(buffer), buffer.size());
  std::filesystem::resize_file(file, 0);
  std::optional<GatePosition> position;
  for (int i = 0; i < 1000 && !(position && position->stop == GateStop::kEnded); ++i) {
    if (gate.Read(buffer) > 0) continue;
    position = gate.WaitAtGate(0);
    gate.Open();  // past the seconds it stops at
  }
  ASSERT_TRUE(position.has_value());
  EXPECT_EQ(position->stop, GateStop::kEnded);
  EXPECT_NE(gate.Failure().find("capture.ts: the capture shrank"), std::string::npos)
      << gate.Failure();
}

}  // namespace
}  // namespace graph::test

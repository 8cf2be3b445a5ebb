// A tiny transport-stream writer for the virtual tuner's tests: PAT and PMT, a
// video PID that carries the PCR and PES headers with PTS and DTS, an audio PID
// with PTS only, and null packets, at a constant rate so every timestamp of the
// capture follows from its packet index.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace vtuner::test {

inline constexpr std::uint16_t kPmtPid = 0x100;
inline constexpr std::uint16_t kVideoPid = 0x101;
inline constexpr std::uint16_t kAudioPid = 0x102;

struct CaptureLayout {
  int packets = 500;
  std::uint64_t firstPcr = 27'000'000;    // 27 MHz, at packet 0
  std::uint64_t ticksPerPacket = 15'000;  // a multiple of 300
  int pcrInterval = 10;                   // a PCR at every packet index divisible by it
  bool withPcr = true;
  int bareShift = 0;                  // 1: the first PCR packet carries no payload
  bool discontinuityAtStart = false;  // the first PCR packet sets discontinuity_indicator
  std::uint8_t videoFirstCounter = 5;
  std::uint8_t audioFirstCounter = 9;
};

// PCR of packet `index` (valid for PCR packets, which sit on the video PID).
std::uint64_t PcrAt(const CaptureLayout& layout, std::int64_t index);
std::vector<std::uint8_t> MakeCapture(const CaptureLayout& layout);

// What the tests read back from a packet, parsed here on its own.
struct PacketView {
  std::uint16_t pid = 0;
  bool unitStart = false;
  bool hasPayload = false;
  bool discontinuity = false;
  std::uint8_t counter = 0;
  std::optional<std::uint64_t> pcr;
  std::optional<std::uint64_t> pts;
  std::optional<std::uint64_t> dts;
};
PacketView View(std::span<const std::uint8_t> packet);

using testsupport::TempFolder;

}  // namespace vtuner::test

// The broadcast description: what the virtual tuners receive, one multiplex per
// frequency and demodulator family, read from a small line-based text file
// (the format is described in README.md beside this file).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/BandPlan.h"

namespace vtuner {

inline constexpr int kDefaultTunerCount = 2;
inline constexpr int kMaxTunerCount = 16;
// A tuned frequency matches a multiplex this close to it.
inline constexpr std::uint64_t kFrequencyTolerance = 100'000;

enum class SourceKind { kCapture, kSynthetic };

// An indented line under a multiplex, kept as written for the source that
// interprets it (the synthetic generator).
struct BodyLine {
  int line = 0;
  std::string text;
};

struct MultiplexDecl {
  int line = 0;                   // line of the "multiplex" statement
  std::uint64_t frequencyHz = 0;  // RF node value times its multiplier
  common::DemodulatorFamily family = common::DemodulatorFamily::kNone;
  common::ModulationMask modulation = 0;  // one bit; the family's automatic mode when
                                          // only the family was named
  int channelMap = -1;                    // -1 when given by frequency
  int physical = -1;
  int quality = 100;  // 0-100; 0 is present without lock
  // A lost lock once per tune: after `dropoutAfter` seconds of stream the
  // tuner reports no lock and delivers nothing for `dropoutSeconds` seconds
  // of the clock, then locks again and goes on where it stopped. -1: never.
  int dropoutAfter = -1;
  int dropoutSeconds = 0;
  SourceKind kind = SourceKind::kCapture;
  std::filesystem::path capture;  // resolved against the description's folder
  std::string syntheticName;
  std::vector<BodyLine> body;
};

struct BroadcastDescription {
  int tuners = kDefaultTunerCount;
  bool pace = true;
  std::filesystem::path folder;  // where relative paths start
  std::vector<MultiplexDecl> multiplexes;
};

struct DescriptionResult {
  bool ok = false;
  BroadcastDescription description;
  std::string error;  // "<source>:<line>: <message>" when not ok
};

// Parses description text. `folder` resolves relative capture paths; `source`
// names the text in error messages. With `checkFiles` a capture file that does
// not exist is an error of its line.
DescriptionResult ParseDescription(std::string_view text, const std::filesystem::path& folder,
                                   std::string_view source, bool checkFiles = true);

// Reads and parses a description file; paths in it are relative to its folder.
DescriptionResult LoadDescription(const std::filesystem::path& file);

// The multiplex that a tune to (frequency, family) receives: the nearest one of
// that family within kFrequencyTolerance, or null.
const MultiplexDecl* FindMultiplex(const BroadcastDescription& description,
                                   std::uint64_t frequencyHz, common::DemodulatorFamily family);

const char* FamilyName(common::DemodulatorFamily family);

}  // namespace vtuner

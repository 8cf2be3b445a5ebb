// What a broadcast carries: multiplexes per channel map, physical channel and
// modulation, each either synthetic (described channel by channel and made
// live by Multiplex) or a capture file played by the virtual tuner.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tuning/BandPlan.h"

namespace broadcast {

// The tables a synthetic multiplex carries besides PAT and PMT.
enum class TableSet {
  kTvct,     // ATSC PSIP with a terrestrial VCT (8-VSB)
  kCvct,     // ATSC PSIP with a cable VCT (QAM)
  kPsiOnly,  // PAT and PMT only (clear QAM)
  kDvb,      // DVB SI: NIT, SDT, EIT, TDT (COFDM)
};

struct ChannelDescription {
  // Two-part number major.minor, or a one-part number (minor < 0, number in major).
  int major = 0;
  int minor = -1;
  std::string name;
  std::uint16_t programNumber = 0;
  std::uint16_t sourceId = 0;  // ATSC source_id
  std::uint16_t pmtPid = 0;
  std::uint16_t videoPid = 0;  // 0 = no video
  std::uint16_t audioPid = 0;  // 0 = no audio
  bool hidden = false;
  bool hideGuide = false;
  bool analog = false;  // a VCT entry for an analog (NTSC) channel: no streams
  std::uint16_t analogTsid = 0;
  std::string guide = "general";  // theme of the made-up guide

  bool OnePart() const { return minor < 0; }
  bool HasVideo() const { return videoPid != 0; }
  bool HasAudio() const { return audioPid != 0; }
  std::uint16_t PcrPid() const { return videoPid ? videoPid : audioPid; }
  // "7.1" or "1001".
  std::string NumberText() const;
};

struct MultiplexDescription {
  tuning::ChannelMap channelMap = tuning::kAntennaUs;
  int physical = 0;
  tuning::ModulationMask modulation = tuning::kVsb8;
  std::uint64_t frequencyHz = 0;  // as the band plan tunes it, or as declared
  int quality = 100;              // signal quality for the virtual tuner, 0-100
  bool synthetic = true;
  std::string capturePath;  // capture multiplexes only
  std::string name;
  TableSet tables = TableSet::kTvct;
  std::uint16_t transportStreamId = 1;
  std::uint16_t originalNetworkId = 0x2000;  // DVB
  std::uint16_t networkId = 0x3001;          // DVB
  std::string networkName = "Corvane";       // DVB
  std::vector<ChannelDescription> channels;

  // Constant multiplex rate in bits per second for the modulation and band.
  std::uint64_t BitRate() const;
  // A file name for a capture of this multiplex: "us-7-8vsb.ts".
  std::string CaptureFileName() const;
};

struct BroadcastDescription {
  std::vector<MultiplexDescription> multiplexes;
};

// Parses the line-based description format (tools/broadcast/README.md).
// On failure returns false and sets `error` to "line N: ...".
bool ParseBroadcastDescription(std::string_view text, BroadcastDescription& out,
                               std::string& error);

// One indented line under a synthetic multiplex, as written, with its line number.
struct BodyLine {
  int line = 0;
  std::string text;
};

// Builds a synthetic multiplex from its multiplex statement's values and the
// indented lines under it (for a description read by another parser, such as
// the virtual tuner's, which hands these lines over unread).
bool ParseSyntheticMultiplex(tuning::ChannelMap map, int physical,
                             tuning::ModulationMask modulation, const std::string& name,
                             std::span<const BodyLine> body, MultiplexDescription& out,
                             std::string& error);

// The bundled sample broadcast, as description text and parsed.
std::string_view SampleBroadcastText();
BroadcastDescription SampleBroadcast();

// Rates of the transmission systems (bits per second).
inline constexpr std::uint64_t kRate8Vsb = 19'392'658;
inline constexpr std::uint64_t kRateQam64 = 26'970'350;
inline constexpr std::uint64_t kRateQam256 = 38'810'700;
inline constexpr std::uint64_t kRateDvbT8MHz64Qam = 24'128'342;  // code rate 2/3, guard 1/32

}  // namespace broadcast

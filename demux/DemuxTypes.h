// What the transport-stream demultiplexer hands to its outputs, and how an
// output is configured.
//
// The engine (TsDemuxer) knows nothing of pins or media samples: an output is
// an OutputSink that receives Sample records. The "Demux" filter wraps each
// output in an output pin and copies a Sample into a media sample:
//   data            -> the sample's buffer and actual length
//   startTime       -> sample start time (when kSampleTimeValid)
//   kSampleSyncPoint, kSampleDiscontinuity -> the sample's sync-point and
//                      discontinuity properties
//   pid             -> low 13 bits of the type-specific flags (sections)
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include "common/TsConstants.h"

namespace demux {

inline constexpr std::size_t kPacketSize = common::kPacketSize;
inline constexpr std::uint8_t kSyncByte = common::kSyncByte;
inline constexpr std::uint32_t kMaxPid = common::kMaxPid;
inline constexpr std::uint16_t kNullPid = common::kNullPid;
inline constexpr std::size_t kPidCount = common::kPidCount;
inline constexpr std::size_t kMaxSectionBytes = 4096;  // 3 header bytes + section_length

// How the packets of one mapped PID reach an output. The numbers are those of
// the framework's media-sample content, so the filter can pass them through.
enum class MediaSampleContent : std::uint32_t {
  kTransportPacket = 0,   // every packet of the PID, whole 188 bytes
  kElementaryStream = 1,  // PES payload, with times from the PES header
  kMpeg2Psi = 2,          // whole reassembled table sections
  kTransportPayload = 3,  // each packet's payload bytes as they come, no parsing
};

// What a call that configures the demultiplexer did. The "Demux" filter maps it
// to the result code of its interface (S_OK, S_FALSE, E_POINTER, E_INVALIDARG,
// E_UNEXPECTED in that order).
enum class DemuxResult {
  kDone,
  kUnchanged,         // nothing to do: the state asked for is already there
  kMissingArgument,   // no sink or no place for the id
  kInvalidArgument,   // unknown output or content, PID above 0x1FFF
  kCalledFromOutput,  // an output sink called back while being delivered to
};

// How an output delivers elementary-stream data.
//
// Unit delivery is what the recording sink takes in: it starts a sample group
// at every timed sample, expects an intra picture's sample to begin with the
// sequence header, reads the picture's temporal reference from the start of
// the timed sample (for its DTS), and holds at most 512 samples per pin. One
// PES per timed sample, cut only at the allocator's sample size, meets all of
// that; packet-sized samples would split headers from their pictures and fill
// 512 entries with a single intra picture. Decoders take either form.
enum class EsDelivery {
  // One PES payload per unit, split into samples of at most maxSampleBytes:
  // the first sample of a unit carries the times and flags, the rest follow
  // untimed. Complete units are delivered when their PES_packet_length is
  // reached, unbounded ones (length 0) when the next PES starts.
  kUnit,
  // The PES payload bytes of each transport packet as they arrive; the first
  // sample of a unit carries the times. Lowest latency, tiny samples.
  kPacket,
};

struct OutputConfig {
  EsDelivery esDelivery = EsDelivery::kUnit;
  // Largest sample the output's allocator takes (elementary streams; sections
  // and packets are never split). 0 means the default.
  std::size_t maxSampleBytes = 0;
};

inline constexpr std::size_t kDefaultMaxSampleBytes = 65536;
inline constexpr std::size_t kLargestMaxSampleBytes = 16u << 20;

// Sample flags.
inline constexpr std::uint32_t kSampleTimeValid = 1u << 0;        // startTime from PTS
inline constexpr std::uint32_t kSampleDecodeTimeValid = 1u << 1;  // decodeTime from DTS/PTS
inline constexpr std::uint32_t kSampleSyncPoint = 1u << 2;
inline constexpr std::uint32_t kSampleDiscontinuity = 1u << 3;
inline constexpr std::uint32_t kSampleUnitStart = 1u << 4;   // first sample of a PES unit
inline constexpr std::uint32_t kSampleUnitEnd = 1u << 5;     // last sample of a PES unit
inline constexpr std::uint32_t kSamplePtsPresent = 1u << 6;  // pts holds the PES header's PTS
inline constexpr std::uint32_t kSampleDtsPresent = 1u << 7;  // dts holds the PES header's DTS

// One delivery. The bytes are only valid during the OutputSink call.
struct Sample {
  std::span<const std::uint8_t> data;
  MediaSampleContent content = MediaSampleContent::kTransportPacket;
  std::uint16_t pid = 0;
  std::uint8_t streamId = 0;  // PES stream_id (elementary streams), else 0
  std::uint32_t flags = 0;
  std::int64_t startTime = 0;   // 100 ns stream time (kSampleTimeValid)
  std::int64_t decodeTime = 0;  // 100 ns stream time (kSampleDecodeTimeValid)
  std::uint64_t pts = 0;        // 33-bit 90 kHz, as sent (kSamplePtsPresent)
  std::uint64_t dts = 0;        // 33-bit 90 kHz, as sent (kSampleDtsPresent)
};

// Receives an output's samples on the thread that calls TsDemuxer::Ingest.
// A sink must not call back into the demultiplexer from Deliver.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual void Deliver(const Sample& sample) = 0;
};

// One programme-clock reference, as the filter needs it to slave its clock.
struct PcrEvent {
  std::uint16_t pid = 0;
  std::uint64_t pcr = 0;           // 27 MHz, as sent (base * 300 + extension)
  std::int64_t streamTime = 0;     // 100 ns stream time this PCR maps to
  std::uint64_t bytePosition = 0;  // input offset of the packet's first byte
  bool discontinuity = false;      // the timeline was re-anchored at this PCR
};

class ClockObserver {
 public:
  virtual ~ClockObserver() = default;
  virtual void OnPcr(const PcrEvent& event) = 0;
};

// Counters per PID (all PIDs, mapped or not).
struct PidStatistics {
  std::uint64_t packets = 0;
  std::uint32_t continuityErrors = 0;  // lost or reordered packets
  std::uint32_t duplicates = 0;        // repeated packets dropped
  std::uint32_t transportErrors = 0;   // transport_error_indicator set
  std::uint32_t scrambled = 0;         // payload scrambled, not parsed
  std::uint32_t malformed = 0;         // adaptation field past the packet, bad pointer, ...
  std::uint32_t sectionsDropped = 0;   // oversized or truncated sections
  std::uint32_t pesErrors = 0;         // bad PES headers, truncated units
  std::uint32_t pcrCount = 0;
  std::uint32_t pcrJumps = 0;  // PCR backwards or more than a second ahead (wrap allowed)
  std::uint64_t lastPcr = 0;   // 27 MHz, as sent (valid when pcrCount > 0)
};

// One entry of an output's PID map.
struct PidMapping {
  std::uint32_t pid = 0;
  MediaSampleContent content = MediaSampleContent::kTransportPacket;
  bool operator==(const PidMapping&) const = default;
};

// Counters of the input as a whole.
struct InputStatistics {
  std::uint64_t bytes = 0;           // bytes given to Ingest
  std::uint64_t packets = 0;         // aligned packets processed
  std::uint64_t bytesSkipped = 0;    // bytes thrown away while searching for sync
  std::uint32_t syncLosses = 0;      // times the sync byte went missing
  std::uint32_t invalidPackets = 0;  // reserved adaptation_field_control etc.
};

}  // namespace demux

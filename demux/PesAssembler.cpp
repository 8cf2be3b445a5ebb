#include "demux/PesAssembler.h"

#include <algorithm>

#include "common/ByteReader.h"
#include "common/MpegTimestamps.h"

namespace demux {

namespace {

// Stream ids whose PES packets have no optional header (program_stream_map,
// padding, private_stream_2, ECM, EMM, DSMCC, H.222.1 type E, directory).
bool HasOptionalHeader(std::uint8_t streamId) {
  switch (streamId) {
    case 0xBC:
    case 0xBE:
    case 0xBF:
    case 0xF0:
    case 0xF1:
    case 0xF2:
    case 0xF8:
    case 0xFF:
      return false;
    default:
      return true;
  }
}

constexpr std::uint8_t kPaddingStream = 0xBE;

bool IsVideoStream(std::uint8_t streamId) {
  return (streamId & 0xF0) == 0xE0;
}
bool IsAudioStream(std::uint8_t streamId) {
  return (streamId & 0xE0) == 0xC0 || streamId == 0xBD;  // MPEG audio, AC-3 in private 1
}

// A 33-bit timestamp in its 5-byte PES form (markers not enforced); 0 and the
// reader's error when the field is cut short.
std::uint64_t ReadTimestamp(common::ByteReader& r) {
  const auto field = r.Bytes(common::kPesTimestampSize);
  if (field.size() != common::kPesTimestampSize) return 0;
  return common::ReadPesTimestamp(field.first<common::kPesTimestampSize>());
}

}  // namespace

PesAssembler::PesAssembler(std::uint16_t pid, const OutputConfig& config)
    : pid_(pid),
      delivery_(config.esDelivery),
      maxSampleBytes_(std::clamp<std::size_t>(
          config.maxSampleBytes == 0 ? kDefaultMaxSampleBytes : config.maxSampleBytes, 1,
          kLargestMaxSampleBytes)) {
  if (delivery_ == EsDelivery::kUnit) piece_.resize(maxSampleBytes_);
}

void PesAssembler::AdvanceHeader(const ProgramClock& clock, std::uint32_t& errors) {
  switch (step_) {
    case HeaderStep::kPrefix: {
      if (header_[0] != 0 || header_[1] != 0 || header_[2] != 1) {
        ++errors;
        state_ = State::kWaitStart;
        return;
      }
      const std::uint8_t streamId = header_[3];
      const std::size_t packetLength = static_cast<std::size_t>(header_[4]) << 8 | header_[5];
      unit_ = Sample{};
      unit_.streamId = streamId;
      if (streamId == kPaddingStream) {
        state_ = State::kSkip;
      } else if (!HasOptionalHeader(streamId)) {
        StartPayload(packetLength);
      } else {
        step_ = HeaderStep::kFixed;
        headerNeed_ = kFixedBytes;
      }
      return;
    }
    case HeaderStep::kFixed:
      if ((header_[6] & 0xC0) != 0x80) {
        ++errors;
        state_ = State::kWaitStart;
        return;
      }
      step_ = HeaderStep::kOptional;
      headerNeed_ = kFixedBytes + header_[8];
      if (headerNeed_ > headerHave_) return;
      [[fallthrough]];
    case HeaderStep::kOptional: {
      const std::size_t packetLength = static_cast<std::size_t>(header_[4]) << 8 | header_[5];
      const std::size_t dataLength = header_[8];
      if (packetLength != 0 && packetLength < 3 + dataLength) {
        ++errors;
        state_ = State::kWaitStart;
        return;
      }
      common::ByteReader r(std::span<const std::uint8_t>(header_).subspan(kFixedBytes, dataLength));
      const unsigned ptsDtsFlags = header_[7] >> 6;
      std::uint64_t pts = 0;
      std::uint64_t dts = 0;
      if (ptsDtsFlags >= 2) pts = ReadTimestamp(r);
      if (ptsDtsFlags == 3) dts = ReadTimestamp(r);
      if (!r.Ok()) {
        ++errors;  // timestamps announced but not there: the unit goes out untimed
      } else if (ptsDtsFlags >= 2) {
        unit_.pts = pts;
        unit_.flags |= kSamplePtsPresent;
        if (ptsDtsFlags == 3) {
          unit_.dts = dts;
          unit_.flags |= kSampleDtsPresent;
        }
        if (const auto start = clock.TimeOf(pts)) {
          unit_.startTime = *start;
          unit_.flags |= kSampleTimeValid;
          const auto decode = ptsDtsFlags == 3 ? clock.TimeOf(dts) : start;
          unit_.decodeTime = decode.value_or(*start);
          unit_.flags |= kSampleDecodeTimeValid;
        }
      }
      if (packetLength != 0 && packetLength == 3 + dataLength) {
        state_ = State::kWaitStart;  // a header without payload: nothing to deliver
        return;
      }
      StartPayload(packetLength == 0 ? 0 : packetLength - 3 - dataLength);
      return;
    }
  }
}

void PesAssembler::StartPayload(std::size_t payloadLength) {
  unit_.content = MediaSampleContent::kElementaryStream;
  unit_.pid = pid_;
  unit_.flags |= kSampleUnitStart;
  // PES_packet_length 0 marks an unbounded unit; for units without optional
  // header the length is the payload itself.
  bounded_ = payloadLength != 0;
  remaining_ = payloadLength;
  firstSample_ = true;
  pieceLen_ = 0;
  state_ = State::kPayload;
}

std::uint32_t PesAssembler::UnitFlags(std::span<const std::uint8_t> firstBytes) const {
  const std::uint8_t streamId = unit_.streamId;
  bool sync = unitRandomAccess_ || IsAudioStream(streamId);
  if (!sync && IsVideoStream(streamId) && firstBytes.size() >= 4) {
    sync = firstBytes[0] == 0 && firstBytes[1] == 0 && firstBytes[2] == 1 && firstBytes[3] == 0xB3;
  }
  return sync ? kSampleSyncPoint : 0;
}

}  // namespace demux

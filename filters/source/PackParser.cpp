#include "filters/source/PackParser.h"

#include "common/ByteReader.h"
#include "common/MpegTimestamps.h"
#include "filters/sink/PsFormat.h"

namespace filters {
namespace {

constexpr std::uint16_t kMaxSystemHeaderLength = 2042;

bool AtStartCode(const common::ByteReader& r) {
  return r.Remaining() >= 4 && r.Peek(0) == 0 && r.Peek(1) == 0 && r.Peek(2) == 1;
}

// The 10 bytes after 00 00 01 BA, plus stuffing. False when cut short.
bool ParsePackHeader(common::ByteReader& r, ParsedPack& out) {
  if ((r.Peek(0) & 0xC0) != 0x40) {
    ++out.malformed;  // not an MPEG-2 pack header: resynchronise
    return true;
  }
  const auto scr = r.Bytes(common::kScrSize);
  r.Skip(3);  // program mux rate, markers
  const unsigned stuffing = r.U8() & 0x07u;
  r.Skip(stuffing);
  if (!r.Ok()) return false;
  out.hasScr = true;
  out.scr27 = static_cast<std::int64_t>(common::ReadScr(scr.first<common::kScrSize>()));
  return true;
}

// The PTS field (prefix not looked at), as 27 MHz ticks; 0 and the reader's
// error when it is cut short.
std::int64_t ReadTimestamp27(common::ByteReader& r) {
  const auto field = r.Bytes(common::kPesTimestampSize);
  if (field.size() != common::kPesTimestampSize) return 0;
  return static_cast<std::int64_t>(
      common::ReadPesTimestamp(field.first<common::kPesTimestampSize>()) * kTicksPer90k);
}

void ParsePes(std::uint8_t streamId, common::ByteReader pes, ParsedPack& out) {
  const std::uint8_t flags1 = pes.U8();
  if (!pes.Ok() || (flags1 & 0xC0) != 0x80) {
    ++out.malformed;
    return;
  }
  const std::uint8_t flags2 = pes.U8();
  const std::uint8_t headerLength = pes.U8();
  common::ByteReader header = pes.Sub(headerLength);
  if (!pes.Ok()) {
    ++out.malformed;
    return;
  }
  EsPayload payload;
  if (flags2 & 0x80) {
    payload.pts27 = ReadTimestamp27(header);
    if (!header.Ok()) {
      ++out.malformed;
      return;
    }
    payload.hasPts = true;
  }
  auto bytes = pes.Bytes(pes.Remaining());
  if (streamId == kStreamVideo) {
    payload.stream = PinType::kVideo;
  } else {
    common::ByteReader body(bytes);
    const std::uint8_t substream = body.Peek();
    if (substream == kSubstreamAc3) {
      body.Skip(4);
      payload.stream = PinType::kAudio;
    } else if (substream == kSubstreamText) {
      body.Skip(1);
      payload.stream = PinType::kText;
    } else {
      return;  // another private substream: not ours
    }
    if (!body.Ok()) {
      ++out.malformed;
      return;
    }
    bytes = body.Bytes(body.Remaining());
  }
  payload.bytes = bytes;
  out.payloads.push_back(payload);
}

}  // namespace

void ParsePack(std::span<const std::uint8_t> data, ParsedPack& out, bool headerOnly) {
  out.Clear();
  common::ByteReader r(data);
  bool resyncing = false;
  while (r.Remaining() >= 4) {
    if (!AtStartCode(r)) {
      if (!resyncing) ++out.malformed;
      resyncing = true;
      // Straight to the next prefix (or the end): a damaged pack is searched
      // at memory speed, not byte by byte.
      const std::size_t gap = r.BytesToNextStartCode();
      r.Skip(gap > 0 ? gap : 1);
      continue;
    }
    resyncing = false;
    const std::uint8_t id = r.Peek(3);
    r.Skip(4);
    if (id == kProgramEnd) {
      out.endCode = true;
      return;
    }
    if (id == kPackStart) {
      if (!ParsePackHeader(r, out)) {
        ++out.malformed;
        return;
      }
      if (headerOnly) return;
      continue;
    }
    if (id < 0xBB) continue;  // not a packet start code: look further
    const std::uint16_t length = r.U16();
    if (!r.Ok()) {
      ++out.malformed;
      return;
    }
    if (id == kSystemHeaderStart && length > kMaxSystemHeaderLength) {
      ++out.malformed;
      return;
    }
    common::ByteReader packet = r.Sub(length);
    if (!r.Ok()) {
      ++out.malformed;  // runs past the buffer: the rest is not usable
      return;
    }
    if (id == kStreamVideo || id == kStreamPrivate1 || id == kStreamPrivate2) {
      ParsePes(id, packet, out);
    }
    // System header, padding and unknown streams: skipped by their length.
  }
}

}  // namespace filters

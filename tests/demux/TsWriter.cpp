#include "tests/demux/TsWriter.h"

#include <algorithm>
#include <stdexcept>

#include "tests/support/Psi.h"

namespace demux::test {

namespace {

constexpr std::size_t kPacket = 188;

Bytes AdaptationField(const AdaptationOptions& options, std::size_t fieldLength) {
  // fieldLength counts the bytes after adaptation_field_length.
  Bytes field;
  field.push_back(static_cast<std::uint8_t>(fieldLength));
  if (fieldLength == 0) return field;
  std::uint8_t flags = 0;
  if (options.discontinuity) flags |= 0x80;
  if (options.randomAccess) flags |= 0x40;
  if (options.pcr) flags |= 0x10;
  field.push_back(flags);
  if (options.pcr) {
    const std::uint64_t base = *options.pcr / 300 & ((std::uint64_t{1} << 33) - 1);
    const std::uint64_t ext = *options.pcr % 300;
    field.push_back(static_cast<std::uint8_t>(base >> 25));
    field.push_back(static_cast<std::uint8_t>(base >> 17));
    field.push_back(static_cast<std::uint8_t>(base >> 9));
    field.push_back(static_cast<std::uint8_t>(base >> 1));
    field.push_back(static_cast<std::uint8_t>((base & 1) << 7 | 0x7E | ext >> 8));
    field.push_back(static_cast<std::uint8_t>(ext));
  }
  while (field.size() < fieldLength + 1)
    field.push_back(0xFF);
  return field;
}

std::size_t MinimumFieldLength(const AdaptationOptions& options) {
  const bool any = options.pcr || options.discontinuity || options.randomAccess;
  return any ? 1 + (options.pcr ? 6 : 0) : 0;
}

void PutTimestamp(Bytes& out, std::uint8_t prefix, std::uint64_t ts) {
  out.push_back(static_cast<std::uint8_t>(prefix << 4 | (ts >> 29 & 0x0E) | 1));
  out.push_back(static_cast<std::uint8_t>(ts >> 22));
  out.push_back(static_cast<std::uint8_t>((ts >> 14 & 0xFE) | 1));
  out.push_back(static_cast<std::uint8_t>(ts >> 7));
  out.push_back(static_cast<std::uint8_t>((ts << 1 & 0xFE) | 1));
}

}  // namespace

Bytes TsWriter::Packet(std::uint16_t pid, const Bytes& payload, bool unitStart,
                       const AdaptationOptions& adaptation) {
  const std::size_t minimum = MinimumFieldLength(adaptation);
  const bool needsField = minimum > 0 || payload.size() < kPacket - 4;
  std::size_t room = kPacket - 4;
  if (needsField) room -= 1 + minimum;
  if (payload.size() > room) throw std::length_error("payload does not fit the packet");
  Bytes packet;
  packet.reserve(kPacket);
  const std::uint8_t counter = counters_[pid];
  counters_[pid] = (counter + 1) & 0x0F;
  packet.push_back(0x47);
  packet.push_back(static_cast<std::uint8_t>((unitStart ? 0x40 : 0) | pid >> 8));
  packet.push_back(static_cast<std::uint8_t>(pid));
  packet.push_back(static_cast<std::uint8_t>((needsField ? 0x30 : 0x10) | counter));
  if (needsField) {
    const Bytes field = AdaptationField(adaptation, kPacket - 4 - 1 - payload.size());
    packet.insert(packet.end(), field.begin(), field.end());
  }
  packet.insert(packet.end(), payload.begin(), payload.end());
  return packet;
}

Bytes TsWriter::AdaptationOnly(std::uint16_t pid, const AdaptationOptions& adaptation) {
  Bytes packet{0x47, static_cast<std::uint8_t>(pid >> 8), static_cast<std::uint8_t>(pid),
               static_cast<std::uint8_t>(0x20 | counters_[pid])};
  const Bytes field = AdaptationField(adaptation, kPacket - 5);
  packet.insert(packet.end(), field.begin(), field.end());
  return packet;
}

Bytes TsWriter::Null() {
  Bytes packet(kPacket, 0xFF);
  packet[0] = 0x47;
  packet[1] = 0x1F;
  packet[2] = 0xFF;
  packet[3] = 0x10;
  return packet;
}

Bytes TsWriter::Sections(std::uint16_t pid, const std::vector<Bytes>& sections) {
  Bytes stream;
  std::vector<std::size_t> starts;
  for (const Bytes& section : sections) {
    starts.push_back(stream.size());
    stream.insert(stream.end(), section.begin(), section.end());
  }
  Bytes out;
  std::size_t pos = 0;
  while (pos < stream.size()) {
    Bytes payload;
    payload.reserve(kPacket);
    const auto start = std::find_if(starts.begin(), starts.end(),
                                    [&](std::size_t s) { return s >= pos && s < pos + 183; });
    const bool unitStart = start != starts.end();
    std::size_t capacity = kPacket - 4;
    if (unitStart) {
      payload.push_back(static_cast<std::uint8_t>(*start - pos));
      --capacity;
    }
    const std::size_t n = std::min(capacity, stream.size() - pos);
    payload.insert(payload.end(), stream.begin() + static_cast<std::ptrdiff_t>(pos),
                   stream.begin() + static_cast<std::ptrdiff_t>(pos + n));
    pos += n;
    payload.resize(kPacket - 4, 0xFF);  // section stuffing
    const Bytes packet = Packet(pid, payload, unitStart);
    out.insert(out.end(), packet.begin(), packet.end());
  }
  return out;
}

Bytes TsWriter::Pes(std::uint16_t pid, std::uint8_t streamId, const Bytes& payload,
                    std::optional<std::uint64_t> pts, std::optional<std::uint64_t> dts,
                    bool bounded, const AdaptationOptions& first) {
  const Bytes pes = MakePes(streamId, payload, pts, dts, bounded);
  Bytes out;
  std::size_t pos = 0;
  bool isFirst = true;
  while (pos < pes.size()) {
    const AdaptationOptions options = isFirst ? first : AdaptationOptions{};
    const std::size_t minimum = MinimumFieldLength(options);
    const std::size_t room = kPacket - 4 - (minimum > 0 ? 1 + minimum : 0);
    const std::size_t n = std::min(room, pes.size() - pos);
    const Bytes chunk(pes.begin() + static_cast<std::ptrdiff_t>(pos),
                      pes.begin() + static_cast<std::ptrdiff_t>(pos + n));
    const Bytes packet = Packet(pid, chunk, isFirst, options);
    out.insert(out.end(), packet.begin(), packet.end());
    pos += n;
    isFirst = false;
  }
  return out;
}

Bytes MakeSection(std::uint8_t tableId, std::size_t bodySize, std::uint8_t seed) {
  Bytes section{tableId, static_cast<std::uint8_t>(0xB0 | (bodySize >> 8 & 0x0F)),
                static_cast<std::uint8_t>(bodySize)};
  const Bytes body = Pattern(bodySize, seed);
  section.insert(section.end(), body.begin(), body.end());
  return section;
}

Bytes MakePat(std::uint16_t program, std::uint16_t pmtPid) {
  return testsupport::Pat(0x0001, {{program, pmtPid}});
}

Bytes MakePmt(std::uint16_t program, std::uint16_t pcrPid,
              const std::vector<std::pair<std::uint8_t, std::uint16_t>>& streams) {
  std::vector<testsupport::PmtStream> entries;
  for (const auto& [type, pid] : streams)
    entries.push_back({type, pid});
  return testsupport::Pmt(program, pcrPid, entries);
}

Bytes MakePes(std::uint8_t streamId, const Bytes& payload, std::optional<std::uint64_t> pts,
              std::optional<std::uint64_t> dts, bool bounded) {
  Bytes header;
  if (pts && dts) {
    PutTimestamp(header, 0x3, *pts);
    PutTimestamp(header, 0x1, *dts);
  } else if (pts) {
    PutTimestamp(header, 0x2, *pts);
  }
  const std::size_t length = bounded ? 3 + header.size() + payload.size() : 0;
  Bytes pes;
  pes.reserve(9 + header.size() + payload.size());
  for (const std::uint8_t byte :
       {std::uint8_t{0x00}, std::uint8_t{0x00}, std::uint8_t{0x01}, streamId,
        static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length),
        std::uint8_t{0x80}, static_cast<std::uint8_t>(pts ? (dts ? 0xC0 : 0x80) : 0x00),
        static_cast<std::uint8_t>(header.size())}) {
    pes.push_back(byte);
  }
  pes.insert(pes.end(), header.begin(), header.end());
  pes.insert(pes.end(), payload.begin(), payload.end());
  return pes;
}

Bytes SyncRun() {
  return Concat({TsWriter::Null(), TsWriter::Null(), TsWriter::Null()});
}

}  // namespace demux::test

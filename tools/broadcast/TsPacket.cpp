#include "tools/broadcast/TsPacket.h"

#include <algorithm>
#include <cstring>

#include "common/MpegTimestamps.h"

namespace broadcast {
namespace {

void WritePcrField(std::uint8_t* p, std::uint64_t pcr) {
  pcr %= kPcrWrap;
  const std::uint64_t base = pcr / 300;
  const std::uint32_t ext = static_cast<std::uint32_t>(pcr % 300);
  p[0] = static_cast<std::uint8_t>(base >> 25);
  p[1] = static_cast<std::uint8_t>(base >> 17);
  p[2] = static_cast<std::uint8_t>(base >> 9);
  p[3] = static_cast<std::uint8_t>(base >> 1);
  p[4] = static_cast<std::uint8_t>(((base & 1) << 7) | 0x7E | (ext >> 8));
  p[5] = static_cast<std::uint8_t>(ext);
}

void WriteTimestamp(BitWriter& w, unsigned prefix, std::uint64_t t) {
  std::uint8_t field[common::kPesTimestampSize];
  common::WritePesTimestamp(field, prefix, t);
  w.Append(field);
}

}  // namespace

std::size_t WritePacket(std::span<std::uint8_t, kPacketSize> out, const PacketHeader& header,
                        std::span<const std::uint8_t> payload, Stuffing stuffing) {
  std::uint8_t* p = out.data();
  p[0] = kSyncByte;
  p[1] =
      static_cast<std::uint8_t>((header.payloadUnitStart ? 0x40 : 0) | ((header.pid >> 8) & 0x1F));
  p[2] = static_cast<std::uint8_t>(header.pid);

  // Adaptation field content (without its length byte): flags, PCR.
  std::size_t adaptation = 0;  // bytes including the length byte; 0 = no field
  const bool wantFlags = header.pcr.has_value() || header.randomAccess;
  if (wantFlags) adaptation = 2 + (header.pcr ? 6 : 0);
  std::size_t room = kPacketSize - 4 - adaptation;
  if (stuffing == Stuffing::kAdaptationField && payload.size() < room) {
    const std::size_t extra = room - payload.size();
    adaptation += extra;  // a first extra byte is the length byte itself when no field existed
    room = payload.size();
  }
  const std::size_t used = std::min(room, payload.size());
  p[3] = static_cast<std::uint8_t>(((adaptation ? 2 : 0) | 1) << 4 |
                                   (header.continuityCounter & 0x0F));
  std::uint8_t* q = p + 4;
  if (adaptation) {
    q[0] = static_cast<std::uint8_t>(adaptation - 1);
    if (adaptation >= 2) {
      q[1] = static_cast<std::uint8_t>((header.randomAccess ? 0x40 : 0) | (header.pcr ? 0x10 : 0));
      std::size_t filled = 2;
      if (header.pcr) {
        WritePcrField(q + 2, *header.pcr);
        filled += 6;
      }
      std::memset(q + filled, 0xFF, adaptation - filled);
    }
    q += adaptation;
  }
  std::memcpy(q, payload.data(), used);
  std::memset(q + used, 0xFF, kPacketSize - (q - p) - used);
  return used;
}

void WritePcrPacket(std::span<std::uint8_t, kPacketSize> out, std::uint16_t pid,
                    std::uint8_t lastContinuityCounter, std::uint64_t pcr) {
  std::uint8_t* p = out.data();
  p[0] = kSyncByte;
  p[1] = static_cast<std::uint8_t>((pid >> 8) & 0x1F);
  p[2] = static_cast<std::uint8_t>(pid);
  p[3] = static_cast<std::uint8_t>(0x20 | (lastContinuityCounter & 0x0F));
  p[4] = 183;
  p[5] = 0x10;
  WritePcrField(p + 6, pcr);
  std::memset(p + 12, 0xFF, kPacketSize - 12);
}

void WriteNullPacket(std::span<std::uint8_t, kPacketSize> out) {
  std::uint8_t* p = out.data();
  p[0] = kSyncByte;
  p[1] = 0x1F;
  p[2] = 0xFF;
  p[3] = 0x10;
  std::memset(p + 4, 0xFF, kPacketSize - 4);
}

Bytes PesHeader(std::uint8_t streamId, std::size_t payloadSize, std::optional<std::uint64_t> pts,
                std::optional<std::uint64_t> dts, bool unbounded) {
  const bool withDts = pts && dts && (*dts % kPtsWrap) != (*pts % kPtsWrap);
  const std::size_t headerData = pts ? (withDts ? 10 : 5) : 0;
  BitWriter w;
  w.U24(0x000001);
  w.U8(streamId);
  const std::size_t length = 3 + headerData + payloadSize;
  w.U16(unbounded || length > 0xFFFF ? 0 : static_cast<std::uint32_t>(length));
  w.U8(0x84);  // '10', not scrambled, no priority, data_alignment_indicator
  w.U8((pts ? (withDts ? 0xC0 : 0x80) : 0));
  w.U8(static_cast<std::uint32_t>(headerData));
  if (pts) WriteTimestamp(w, withDts ? 3 : 2, *pts);
  if (withDts) WriteTimestamp(w, 1, *dts);
  return w.Take();
}

}  // namespace broadcast

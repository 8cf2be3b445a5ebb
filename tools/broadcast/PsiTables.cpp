#include "tools/broadcast/PsiTables.h"

namespace broadcast {

Bytes BuildPat(const MultiplexDescription& multiplex, std::uint8_t version) {
  BitWriter body;
  if (multiplex.tables == TableSet::kDvb) {
    body.U16(0);
    body.Reserved(3);
    body.Bits(kNitPid, 13);
  }
  for (const ChannelDescription& c : multiplex.channels) {
    if (c.analog) continue;
    body.U16(c.programNumber);
    body.Reserved(3);
    body.Bits(c.pmtPid, 13);
  }
  return LongSection({.tableId = 0x00,
                      .tableIdExtension = multiplex.transportStreamId,
                      .version = version,
                      .privateIndicator = false},
                     body.Data());
}

Bytes BuildPmt(const MultiplexDescription& multiplex, const ChannelDescription& channel,
               std::uint8_t version) {
  const bool dvb = multiplex.tables == TableSet::kDvb;
  BitWriter body;
  body.Reserved(3);
  body.Bits(channel.PcrPid(), 13);
  body.Reserved(4);
  body.Bits(0, 12);  // program_info_length
  if (channel.HasVideo()) {
    BitWriter es;
    if (!dvb) {
      // caption_service_descriptor: one Line 21 service (CC1), English.
      es.U8(0x86);
      es.U8(7);
      es.Reserved(3);
      es.Bits(1, 5);
      es.Append("eng");
      es.Bits(0, 1);  // digital_cc: Line 21
      es.Reserved(6);
      es.Bits(0, 1);  // line21_field: field 1
      es.Bits(0, 1);  // easy_reader
      es.Bits(1, 1);  // wide_aspect_ratio
      es.Reserved(14);
    }
    body.U8(kStreamTypeMpeg2Video);
    body.Reserved(3);
    body.Bits(channel.videoPid, 13);
    body.Reserved(4);
    body.Bits(es.Size(), 12);
    body.Append(es.Data());
  }
  if (channel.HasAudio()) {
    BitWriter es;
    if (dvb) {
      es.U8(0x6A);  // AC-3 descriptor (EN 300 468), no optional fields
      es.U8(1);
      es.U8(0x00);
    } else {
      es.U8(0x81);  // AC-3 audio descriptor (A/52): 48 kHz, bsid 8, 192 kbit/s, 2/0, full service
      es.U8(3);
      es.Bits(0, 3);
      es.Bits(8, 5);
      es.Bits(10, 6);
      es.Bits(0, 2);
      es.Bits(0, 3);
      es.Bits(2, 4);
      es.Bits(1, 1);
    }
    es.U8(0x0A);  // ISO 639 language
    es.U8(4);
    es.Append(dvb ? "deu" : "eng");
    es.U8(0);
    body.U8(kStreamTypeAc3);
    body.Reserved(3);
    body.Bits(channel.audioPid, 13);
    body.Reserved(4);
    body.Bits(es.Size(), 12);
    body.Append(es.Data());
  }
  return LongSection({.tableId = 0x02,
                      .tableIdExtension = channel.programNumber,
                      .version = version,
                      .privateIndicator = false},
                     body.Data());
}

}  // namespace broadcast

// Parses programme-stream packs as the recording files hold them: pack
// header, system header, padding, and PES packets of video (0xE0), private
// stream 1 (0xBD, AC-3 after a 4-byte substream header) and private stream 2
// (0xBF, programme text after a 1-byte substream header).
//
// Reads only through common::ByteReader. Anything malformed is skipped by its
// declared length or, when a length runs past the data, ends the parse of the
// buffer; nothing is ever read beyond it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "filters/sink/Packetiser.h"

namespace filters {

struct EsPayload {
  PinType stream = PinType::kVideo;
  bool hasPts = false;
  std::int64_t pts27 = 0;               // 33-bit PTS × 300, not yet extended across the wrap
  std::span<const std::uint8_t> bytes;  // points into the parsed buffer
};

struct ParsedPack {
  bool hasScr = false;
  std::int64_t scr27 = 0;  // 33-bit base × 300 + extension, not yet extended
  bool endCode = false;
  unsigned malformed = 0;  // headers skipped or cut short
  std::vector<EsPayload> payloads;

  void Clear() {
    hasScr = endCode = false;
    scr27 = 0;
    malformed = 0;
    payloads.clear();
  }
};

// Parses a buffer (normally one 2048-byte pack) into `out` (cleared first).
// With `headerOnly`, stops after the first pack header.
void ParsePack(std::span<const std::uint8_t> data, ParsedPack& out, bool headerOnly = false);

}  // namespace filters

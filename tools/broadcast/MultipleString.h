// The ATSC multiple string structure (A/65): strings per language, each made
// of segments that are plain ISO 8859-1 (compression 0x00, mode 0x00) or
// Huffman-compressed (0x01 titles, 0x02 descriptions, mode 0x00).
#pragma once

#include <string>
#include <vector>

#include "tools/broadcast/AtscHuffman.h"
#include "tools/broadcast/BitWriter.h"

namespace broadcast {

struct TextSegment {
  std::string latin1;
  bool huffman = false;
};

struct LanguageString {
  std::string language = "eng";  // ISO 639, three letters
  std::vector<TextSegment> segments;
};

// `table` chooses the Huffman table (and compression_type) for compressed
// segments. A segment longer than 255 bytes is split; one that cannot be
// compressed is written plain.
Bytes MultipleString(const std::vector<LanguageString>& strings, HuffmanTable table);

// One English string in one segment.
Bytes SimpleMultipleString(const std::string& latin1, bool huffman, HuffmanTable table);

}  // namespace broadcast

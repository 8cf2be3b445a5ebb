// Builders of real table sections (with correct section_length and CRC) for
// the table tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "common/Crc32.h"

namespace tables::test {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v >> 8));
  b.push_back(static_cast<std::uint8_t>(v));
}
inline void Put24(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v >> 16));
  Put16(b, v & 0xFFFF);
}
inline void Put32(Bytes& b, unsigned v) {
  Put16(b, v >> 16);
  Put16(b, v & 0xFFFF);
}
inline void Append(Bytes& b, const Bytes& more) {
  b.insert(b.end(), more.begin(), more.end());
}

// A long-form section: header (8 bytes), body, CRC.
inline Bytes LongSection(std::uint8_t tableId, unsigned tide, unsigned version, const Bytes& body,
                         unsigned sectionNumber = 0, unsigned lastSectionNumber = 0,
                         bool current = true) {
  Bytes s{tableId, 0, 0};
  Put16(s, tide);
  s.push_back(static_cast<std::uint8_t>(0xC0 | (version & 0x1F) << 1 | (current ? 1 : 0)));
  s.push_back(static_cast<std::uint8_t>(sectionNumber));
  s.push_back(static_cast<std::uint8_t>(lastSectionNumber));
  Append(s, body);
  const unsigned length = static_cast<unsigned>(s.size() - 3 + 4);
  s[1] = static_cast<std::uint8_t>(0xB0 | (length >> 8 & 0x0F));
  s[2] = static_cast<std::uint8_t>(length);
  const std::uint32_t crc = common::Crc32Mpeg2(s);
  Put32(s, crc);
  return s;
}

// A short-form section (no syntax indicator, no CRC).
inline Bytes ShortSection(std::uint8_t tableId, const Bytes& body) {
  Bytes s{tableId, static_cast<std::uint8_t>(0x70 | (body.size() >> 8 & 0x0F)),
          static_cast<std::uint8_t>(body.size())};
  Append(s, body);
  return s;
}

inline Bytes Pat(unsigned tsid, unsigned version,
                 std::initializer_list<std::pair<unsigned, unsigned>> programs) {
  Bytes body;
  for (auto [number, pid] : programs) {
    Put16(body, number);
    Put16(body, 0xE000 | pid);
  }
  return LongSection(0x00, tsid, version, body);
}

struct PmtStream {
  unsigned type;
  unsigned pid;
  Bytes descriptors = {};
};

inline Bytes Pmt(unsigned program, unsigned version, unsigned pcrPid,
                 std::initializer_list<PmtStream> streams, const Bytes& programInfo = {}) {
  Bytes body;
  Put16(body, 0xE000 | pcrPid);
  Put16(body, 0xF000 | static_cast<unsigned>(programInfo.size()));
  Append(body, programInfo);
  for (const auto& s : streams) {
    body.push_back(static_cast<std::uint8_t>(s.type));
    Put16(body, 0xE000 | s.pid);
    Put16(body, 0xF000 | static_cast<unsigned>(s.descriptors.size()));
    Append(body, s.descriptors);
  }
  return LongSection(0x02, program, version, body);
}

// A multiple string structure: one string, one uncompressed mode-0 segment.
inline Bytes MultipleString(std::string_view text) {
  Bytes b{1, 'e', 'n', 'g', 1, 0, 0, static_cast<std::uint8_t>(text.size())};
  b.insert(b.end(), text.begin(), text.end());
  return b;
}

struct VctEntry {
  std::u16string_view name;
  unsigned major;
  unsigned minor;
  unsigned modulationMode = 4;
  unsigned programNumber = 1;
  unsigned sourceId = 1;
  unsigned carrier = 0;
  unsigned tsid = 0x0801;
  unsigned serviceType = 2;
  bool hidden = false;
  Bytes descriptors = {};
};

inline Bytes Vct(std::uint8_t tableId, unsigned tsid, unsigned version,
                 std::initializer_list<VctEntry> channels) {
  Bytes body{0, static_cast<std::uint8_t>(channels.size())};
  for (const auto& c : channels) {
    for (std::size_t i = 0; i < 7; ++i)
      Put16(body, i < c.name.size() ? c.name[i] : 0);
    const unsigned numbers = 0xF00000 | (c.major & 0x3FF) << 10 | (c.minor & 0x3FF);
    Put24(body, numbers);
    body.push_back(static_cast<std::uint8_t>(c.modulationMode));
    Put32(body, c.carrier);
    Put16(body, c.tsid);
    Put16(body, c.programNumber);
    Put16(body, 0x4000 | (c.hidden ? 0x1000 : 0) | 0x01C0 | (c.serviceType & 0x3F));
    Put16(body, c.sourceId);
    Put16(body, 0xFC00 | static_cast<unsigned>(c.descriptors.size()));
    Append(body, c.descriptors);
  }
  Put16(body, 0xFC00);  // additional_descriptors_length
  return LongSection(tableId, tsid, version, body);
}

struct MgtTable {
  unsigned type;
  unsigned pid;
  unsigned version;
  unsigned bytes = 100;
};

inline Bytes Mgt(unsigned version, std::initializer_list<MgtTable> tables) {
  Bytes body{0};
  Put16(body, static_cast<unsigned>(tables.size()));
  for (const auto& t : tables) {
    Put16(body, t.type);
    Put16(body, 0xE000 | t.pid);
    body.push_back(static_cast<std::uint8_t>(0xE0 | t.version));
    Put32(body, t.bytes);
    Put16(body, 0xF000);
  }
  Put16(body, 0xF000);
  return LongSection(0xC7, 0, version, body);
}

struct EitEvent {
  unsigned eventId;
  unsigned start;  // GPS seconds
  unsigned length;
  std::string_view title;
  Bytes descriptors = {};
};

inline Bytes Eit(unsigned sourceId, unsigned version, std::initializer_list<EitEvent> events,
                 unsigned sectionNumber = 0, unsigned lastSectionNumber = 0) {
  Bytes body{0, static_cast<std::uint8_t>(events.size())};
  for (const auto& e : events) {
    Put16(body, 0xC000 | e.eventId);
    Put32(body, e.start);
    Put24(body, 0xC00000 | 0x100000 | e.length);  // ETM_location 1
    if (e.title.empty()) {
      body.push_back(0);
    } else {
      const Bytes title = MultipleString(e.title);
      body.push_back(static_cast<std::uint8_t>(title.size()));
      Append(body, title);
    }
    Put16(body, 0xF000 | static_cast<unsigned>(e.descriptors.size()));
    Append(body, e.descriptors);
  }
  return LongSection(0xCB, sourceId, version, body, sectionNumber, lastSectionNumber);
}

inline Bytes Ett(unsigned tide, unsigned version, unsigned etmId, std::string_view text) {
  Bytes body{0};
  Put32(body, etmId);
  Append(body, MultipleString(text));
  return LongSection(0xCC, tide, version, body);
}

inline Bytes Stt(unsigned systemTime, unsigned utcOffset) {
  Bytes body{0};
  Put32(body, systemTime);
  body.push_back(static_cast<std::uint8_t>(utcOffset));
  Put16(body, 0x6000);
  return LongSection(0xCD, 0, 0, body);
}

// Content advisory descriptor with one region and (dimension, value) pairs.
inline Bytes ContentAdvisory(std::initializer_list<std::pair<unsigned, unsigned>> ratings) {
  Bytes body{0xC1, 1, static_cast<std::uint8_t>(ratings.size())};
  for (auto [dimension, value] : ratings) {
    body.push_back(static_cast<std::uint8_t>(dimension));
    body.push_back(static_cast<std::uint8_t>(0xF0 | value));
  }
  body.push_back(0);  // rating_description_length
  // Built in place: GCC 12 at -O2 reports a false -Warray-bounds for an
  // insert after a two-byte initializer list.
  body.insert(body.begin(), {0x87, static_cast<std::uint8_t>(body.size())});
  return body;
}

}  // namespace tables::test

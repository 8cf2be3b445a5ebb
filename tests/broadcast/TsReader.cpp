#include "tests/broadcast/TsReader.h"

#include <algorithm>
#include <set>

#include "common/ByteReader.h"

namespace broadcast::test {
namespace {

std::uint64_t Timestamp(common::ByteReader& r) {
  const std::uint64_t a = r.U8();
  const std::uint64_t b = r.U16();
  const std::uint64_t c = r.U16();
  return ((a >> 1) & 7) << 30 | (b >> 1) << 15 | (c >> 1);
}

void FinishPes(std::uint16_t pid, std::size_t firstPacket, Bytes& data, TsReport& report) {
  if (data.empty()) return;
  common::ByteReader r(data);
  PesUnit unit;
  unit.pid = pid;
  unit.firstPacket = firstPacket;
  if (r.U24() != 1) {
    report.faults.push_back("PES without start code on PID " + std::to_string(pid));
    data.clear();
    return;
  }
  r.U8();  // stream_id
  const std::uint16_t length = r.U16();
  r.U8();
  const std::uint8_t flags = r.U8();
  const std::uint8_t headerLength = r.U8();
  auto header = r.Sub(headerLength);
  if (flags & 0x80) {
    unit.hasPts = true;
    unit.pts = Timestamp(header);
    unit.dts = (flags & 0x40) ? Timestamp(header) : unit.pts;
  }
  const auto rest = r.Bytes(r.Remaining());
  if (!r.Ok()) report.faults.push_back("short PES header on PID " + std::to_string(pid));
  unit.payload.assign(rest.begin(), rest.end());
  if (length != 0 && static_cast<std::size_t>(length) + 6 != data.size())
    report.faults.push_back("PES_packet_length wrong on PID " + std::to_string(pid));
  report.pes[pid].push_back(std::move(unit));
  data.clear();
}

}  // namespace

std::uint32_t BitwiseCrc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const std::uint8_t b : bytes) {
    for (int i = 7; i >= 0; --i) {
      const bool bit = ((crc >> 31) ^ (b >> i)) & 1;
      crc = (crc << 1) ^ (bit ? 0x04C11DB7u : 0);
    }
  }
  return crc;
}

TsReport ReadTransportStream(std::span<const std::uint8_t> ts,
                             const std::vector<std::uint16_t>& sectionPids) {
  TsReport report;
  const std::set<std::uint16_t> sectionSet(sectionPids.begin(), sectionPids.end());
  std::map<std::uint16_t, int> lastCc;
  std::map<std::uint16_t, Bytes> assembling;  // sections or PES in progress
  std::map<std::uint16_t, bool> started;
  std::map<std::uint16_t, std::size_t> pesStart;
  if (ts.size() % 188 != 0) report.faults.push_back("length is not a multiple of 188");
  for (std::size_t at = 0; at + 188 <= ts.size(); at += 188) {
    const std::size_t index = report.packets++;
    common::ByteReader r(ts.subspan(at, 188));
    if (r.U8() != 0x47) {
      report.faults.push_back("sync byte missing at packet " + std::to_string(index));
      continue;
    }
    const std::uint16_t head = r.U16();
    const bool unitStart = head & 0x4000;
    const std::uint16_t pid = head & 0x1FFF;
    const std::uint8_t control = r.U8();
    const unsigned afc = (control >> 4) & 3;
    const int cc = control & 0x0F;
    if (pid == 0x1FFF) {
      ++report.nullPackets;
      continue;
    }
    if (afc == 0) report.faults.push_back("adaptation_field_control 0");
    if (afc & 1) {
      if (lastCc.count(pid) && ((lastCc[pid] + 1) & 0x0F) != cc)
        report.faults.push_back("continuity error on PID " + std::to_string(pid) + " at packet " +
                                std::to_string(index));
      lastCc[pid] = cc;
    } else if (lastCc.count(pid) && lastCc[pid] != cc) {
      report.faults.push_back("adaptation-only packet changed the counter on PID " +
                              std::to_string(pid));
    }
    if (afc & 2) {
      const std::uint8_t length = r.U8();
      auto field = r.Sub(length);
      if (length > 0) {
        const std::uint8_t flags = field.U8();
        if (flags & 0x10) {
          const std::uint64_t base = field.Bits(33);
          field.Bits(6);
          const std::uint64_t ext = field.Bits(9);
          report.pcrs[pid].push_back(base * 300 + ext);
          report.pcrPackets[pid].push_back(index);
        }
      }
      if (!r.Ok()) report.faults.push_back("adaptation field too long");
    }
    if (!(afc & 1)) continue;
    const auto payload = r.Bytes(r.Remaining());
    if (sectionSet.count(pid)) {
      common::ByteReader p(payload);
      Bytes& buffer = assembling[pid];
      // Takes out every complete section; 0xFF stuffing ends the packet's sections.
      auto drain = [&] {
        while (buffer.size() >= 3 && buffer[0] != 0xFF) {
          const std::size_t length = (std::size_t{buffer[1] & 0x0Fu} << 8 | buffer[2]) + 3;
          if (buffer.size() < length) break;
          Bytes section(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
          buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
          const bool longForm = section[1] & 0x80;
          if (longForm && BitwiseCrc32(section) != 0) {
            ++report.badCrc;
            continue;
          }
          report.sections[pid].push_back(std::move(section));
        }
        if (!buffer.empty() && buffer[0] == 0xFF) buffer.clear();
      };
      if (unitStart) {
        const std::uint8_t pointer = p.U8();
        const auto tail = p.Bytes(pointer);
        if (started[pid]) {
          buffer.insert(buffer.end(), tail.begin(), tail.end());
          drain();
        }
        if (!buffer.empty())
          report.faults.push_back("section cut short on PID " + std::to_string(pid));
        buffer.clear();
        started[pid] = true;
      }
      if (!started[pid]) continue;
      const auto rest = p.Bytes(p.Remaining());
      buffer.insert(buffer.end(), rest.begin(), rest.end());
      drain();
    } else {
      Bytes& buffer = assembling[pid];
      if (unitStart) {
        if (started[pid]) FinishPes(pid, pesStart[pid], buffer, report);
        started[pid] = true;
        pesStart[pid] = index;
      }
      if (started[pid]) buffer.insert(buffer.end(), payload.begin(), payload.end());
    }
  }
  // PES units still open at the end are incomplete and not reported.
  return report;
}

}  // namespace broadcast::test

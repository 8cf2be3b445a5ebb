#include "tuning/scan/ChannelCollection.h"

#include <cstdio>
#include <mutex>
#include <vector>

#include "common/ByteReader.h"
#include "common/Utf16.h"
#include "tables/psip/PsipTables.h"
#include "tables/sections/Pat.h"
#include "tables/sections/Pmt.h"
#include "tables/text/TextDecoding.h"

namespace tuning {
namespace {

constexpr std::uint16_t kPsipPid = 0x1FFB;
constexpr std::uint16_t kSdtPid = 0x0011;

// The stored sections of one PID and table on the channel of `where`, in
// store order.
std::vector<const std::vector<std::uint8_t>*> SectionsOn(const tables::SectionStore& store,
                                                         const tables::SectionTag& where,
                                                         std::uint16_t pid, std::uint8_t tableId) {
  std::vector<const std::vector<std::uint8_t>*> out;
  for (const auto& [key, record] : store.Records()) {
    const tables::SectionTag tag = tables::SectionStore::TagOf(key);
    if (tag.physical != where.physical || tag.tuningSpace != where.tuningSpace ||
        (tag.modulation & 0xFF) != (where.modulation & 0xFF) || tag.pid != pid) {
      continue;
    }
    if (((key.low >> 16) & 0xFF) == tableId) out.push_back(&record.section);
  }
  return out;
}

struct PatProgram {
  std::uint16_t number = 0;
  std::uint16_t pid = 0;
};

// Programme entries of a checked PAT (the network entry, number 0, left out).
std::vector<PatProgram> PatPrograms(std::span<const std::uint8_t> pat, std::uint16_t& tsid) {
  std::vector<PatProgram> programs;
  common::ByteReader r(pat);
  r.Skip(1);
  const std::uint16_t sectionLength = r.U16() & 0x0FFF;
  tsid = r.U16();
  r.Skip(3);
  if (!r.Ok() || sectionLength < 9) return programs;
  common::ByteReader entries = r.Sub(sectionLength - 9u);
  while (entries.Ok() && entries.Remaining() >= 4) {
    PatProgram p;
    p.number = entries.U16();
    p.pid = entries.U16() & 0x1FFF;
    if (p.number != 0) programs.push_back(p);
  }
  return programs;
}

std::uint16_t PmtProgramNumber(std::span<const std::uint8_t> pmt) {
  common::ByteReader r(pmt);
  r.Skip(3);
  return r.U16();
}

ChannelRecord RecordFromPat(const tables::SectionTag& where, std::uint16_t tsid,
                            std::uint16_t program, const tables::StreamPids& pids,
                            const std::u16string* serviceName) {
  ChannelRecord r;
  if (serviceName) {
    r.locator = ChannelLocator::Make(where.physical, 0, program, where.tuningSpace,
                                     static_cast<std::uint8_t>(where.modulation));
    common::SetField(r.name, *serviceName);
  } else {
    r.locator = ChannelLocator::Make(where.physical, program, where.physical, where.tuningSpace,
                                     static_cast<std::uint8_t>(where.modulation));
    char name[16];
    std::snprintf(name, sizeof name, "%d.%d", where.physical, program);
    common::SetField(r.name, common::FromUtf8(name));
  }
  r.transportStreamId = tsid;
  r.programNumber = program;
  r.videoPid = pids.videoPid;
  r.audioPid = pids.audioPid;
  r.pcrPid = pids.pcrPid;
  r.videoStreamType = pids.videoStreamType;
  r.audioStreamType = pids.audioStreamType;
  r.enabled = 1;
  r.fromCableVct = 1;
  return r;
}

}  // namespace

std::u16string SdtServiceName(std::span<const std::uint8_t> sdt, std::uint16_t serviceId) {
  common::ByteReader r(sdt);
  r.Skip(1);
  const std::uint16_t sectionLength = r.U16() & 0x0FFF;
  if (!r.Ok() || sectionLength < 12) return {};
  // transport_stream_id .. reserved after original_network_id: 8 bytes; the
  // service loop runs up to the CRC.
  common::ByteReader body = r.Sub(sectionLength - 4u);
  body.Skip(8);
  while (body.Ok() && body.Remaining() >= 5) {
    const std::uint16_t id = body.U16();
    body.Skip(1);
    const std::uint16_t loopLength = body.U16() & 0x0FFF;
    common::ByteReader descriptors = body.Sub(loopLength);
    if (!body.Ok()) return {};
    if (id != serviceId) continue;
    std::u16string name;
    while (descriptors.Ok() && descriptors.Remaining() >= 2) {
      const std::uint8_t tag = descriptors.U8();
      common::ByteReader d = descriptors.Sub(descriptors.U8());
      if (!descriptors.Ok() || tag != 0x48) continue;
      d.Skip(1);       // service_type
      d.Skip(d.U8());  // provider name
      const auto serviceName = d.Bytes(d.U8());
      if (!d.Ok()) continue;
      char16_t out[16];
      tables::DecodeDvbString(out, serviceName);
      name = common::FieldView(out);  // the last service descriptor wins
    }
    return name;
  }
  return {};
}

std::string ChannelTreeText(const ChannelRecord& record) {
  const ChannelLocator& l = record.locator;
  const char letter = l.channelMap == 0 ? 'A' : 'C';
  const std::string name = common::ToUtf8(common::FieldView(record.name));
  char text[96];
  if (l.minor() != 0) {
    std::snprintf(text, sizeof text, "%05d.%d (%c%d) %s", l.major(), l.minor(), letter,
                  l.physical(), name.c_str());
  } else {
    std::snprintf(text, sizeof text, "%05d (%c%d) %s", l.major(), letter, l.physical(),
                  name.c_str());
  }
  return text;
}

CollectionResult CollectChannels(tables::TableContext& ctx, const tables::SectionTag& where) {
  CollectionResult result;
  tables::SectionTag psip = where;
  psip.pid = kPsipPid;
  for (std::uint8_t tableId : {std::uint8_t{0xC8}, std::uint8_t{0xC9}}) {
    for (const auto* section : SectionsOn(ctx.sections, where, kPsipPid, tableId)) {
      tables::UpdateFromVct(ctx, *section, psip);
      ++result.vctSections;
    }
  }

  const auto sdts = SectionsOn(ctx.sections, where, kSdtPid, 0x42);
  const std::vector<std::uint8_t>* sdt = sdts.empty() ? nullptr : sdts.front();
  result.sdtFound = sdt != nullptr;

  for (const auto* pat : SectionsOn(ctx.sections, where, 0, 0x00)) {
    if (!tables::CheckPat(*pat)) continue;
    std::uint16_t tsid = 0;
    for (const PatProgram& program : PatPrograms(*pat, tsid)) {
      tables::StreamPids pids;
      bool found = false;
      for (const auto* pmt : SectionsOn(ctx.sections, where, program.pid, 0x02)) {
        if (PmtProgramNumber(*pmt) == program.number && tables::ReadPmtStreams(*pmt, pids)) {
          found = true;
          break;
        }
      }
      if (!found || pids.videoPid < 0) continue;
      std::u16string serviceName;
      if (sdt) serviceName = SdtServiceName(*sdt, program.number);
      std::lock_guard vctLock(ctx.graph.vctLock);
      auto lock = ctx.channels.Acquire();
      if (ctx.graph.scanRunning == 0) continue;
      if (ctx.channels.FindByTransport(tsid, program.number)) continue;
      const ChannelRecord record =
          RecordFromPat(where, tsid, program.number, pids, sdt ? &serviceName : nullptr);
      if (ctx.channels.FindByKeys(record.locator.key1, record.locator.key2)) continue;
      ctx.channels.InsertSorted(record);
      ++result.createdFromPat;
    }
  }
  return result;
}

}  // namespace tuning

#include "tables/collect/ChannelCollection.h"

#include <cstdio>
#include <mutex>
#include <vector>

#include "common/ByteReader.h"
#include "common/TsConstants.h"
#include "common/Utf16.h"
#include "tables/dvb/SdtTable.h"
#include "tables/mpeg/PatTable.h"
#include "tables/psip/PsipTables.h"
#include "tables/sections/Pat.h"
#include "tables/sections/Pmt.h"
#include "tables/sections/SectionReader.h"
#include "tables/text/TextDecoding.h"

namespace tables {
namespace {

constexpr std::uint16_t kPsipPid = common::kPsipBasePid;
constexpr std::uint16_t kSdtPid = common::kSdtPid;

// The stored sections of one PID and table on the channel of `where`, in
// store order.
std::vector<const std::vector<std::uint8_t>*> SectionsOn(const SectionStore& store,
                                                         const SectionTag& where, std::uint16_t pid,
                                                         std::uint8_t tableId) {
  std::vector<const std::vector<std::uint8_t>*> out;
  for (const auto& [key, record] : store.Records()) {
    const SectionTag tag = SectionStore::TagOf(key);
    if (tag.physical != where.physical || tag.tuningSpace != where.tuningSpace ||
        (tag.modulation & 0xFF) != (where.modulation & 0xFF) || tag.pid != pid) {
      continue;
    }
    if (((key.low >> 16) & 0xFF) == tableId) out.push_back(&record.section);
  }
  return out;
}

tuning::ChannelRecord RecordFromPat(const SectionTag& where, std::uint16_t tsid,
                                    std::uint16_t program, const StreamPids& pids,
                                    const std::u16string* serviceName) {
  tuning::ChannelRecord r;
  if (serviceName) {
    r.locator = tuning::ChannelLocator::Make(where.physical, 0, program, where.tuningSpace,
                                             static_cast<std::uint8_t>(where.modulation));
    common::SetField(r.name, *serviceName);
  } else {
    r.locator =
        tuning::ChannelLocator::Make(where.physical, program, where.physical, where.tuningSpace,
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

// A channel made from this multiplex's PAT before: the transport stream id
// and programme number count only on the same physical channel and map, as
// multiplexes often share a transport stream id (clear QAM uses 0).
bool MadeFromThisPat(tuning::ChannelList& channels, const SectionTag& where, std::uint16_t tsid,
                     std::uint16_t program) {
  for (auto& [key, node] : channels) {
    const tuning::ChannelRecord& r = node.record;
    if (r.transportStreamId == tsid && r.programNumber == program &&
        r.locator.physical() == where.physical && r.locator.channelMap == where.tuningSpace) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::u16string SdtServiceName(std::span<const std::uint8_t> sdt, std::uint16_t serviceId) {
  SdtTable table;
  DecodeSdt(sdt, table);
  for (const SdtService& service : table.services) {
    if (service.serviceId != serviceId) continue;
    std::u16string name;
    ForEachDescriptor(service.descriptors,
                      [&](std::uint8_t tag, std::span<const std::uint8_t> body) {
                        if (tag != common::kServiceDescriptorTag) return;
                        common::ByteReader d(body);
                        d.Skip(1);       // service_type
                        d.Skip(d.U8());  // provider name
                        const auto serviceName = d.Bytes(d.U8());
                        if (!d.Ok()) return;
                        char16_t out[16];
                        DecodeDvbString(out, serviceName);
                        name = common::FieldView(out);  // the last service descriptor wins
                      });
    return name;
  }
  return {};
}

std::string ChannelTreeText(const tuning::ChannelRecord& record) {
  const tuning::ChannelLocator& l = record.locator;
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

CollectionResult CollectChannels(TableContext& ctx, const SectionTag& where) {
  CollectionResult result;
  SectionTag psip = where;
  psip.pid = kPsipPid;
  for (std::uint8_t tableId : {common::kTvctTableId, common::kCvctTableId}) {
    for (const auto* section : SectionsOn(ctx.sections, where, kPsipPid, tableId)) {
      UpdateFromVct(ctx, *section, psip);
      ++result.vctSections;
    }
  }

  const auto sdts = SectionsOn(ctx.sections, where, kSdtPid, common::kSdtActualTableId);
  const std::vector<std::uint8_t>* sdt = sdts.empty() ? nullptr : sdts.front();
  result.sdtFound = sdt != nullptr;

  for (const auto* section :
       SectionsOn(ctx.sections, where, common::kPatPid, common::kPatTableId)) {
    if (!CheckPat(*section)) continue;
    PatTable pat;
    DecodePat(*section, pat);
    const std::uint16_t tsid = pat.TransportStreamId();
    for (const PatEntry& program : pat.programs) {
      if (program.programNumber == 0) continue;  // the network PID
      StreamPids pids;
      bool found = false;
      for (const auto* pmt : SectionsOn(ctx.sections, where, program.pid, common::kPmtTableId)) {
        if (SectionHeader::Read(*pmt).tableIdExtension == program.programNumber &&
            ReadPmtStreams(*pmt, pids)) {
          found = true;
          break;
        }
      }
      if (!found || pids.videoPid < 0) continue;
      std::u16string serviceName;
      if (sdt) serviceName = SdtServiceName(*sdt, program.programNumber);
      std::lock_guard vctLock(ctx.graph.vctLock);
      auto lock = ctx.channels.Acquire();
      if (ctx.graph.scanRunning == 0) continue;
      if (MadeFromThisPat(ctx.channels, where, tsid, program.programNumber)) continue;
      const tuning::ChannelRecord record =
          RecordFromPat(where, tsid, program.programNumber, pids, sdt ? &serviceName : nullptr);
      if (ctx.channels.FindByKeys(record.locator.key1, record.locator.key2)) continue;
      ctx.channels.InsertSorted(record);
      ++result.createdFromPat;
    }
  }
  return result;
}

}  // namespace tables

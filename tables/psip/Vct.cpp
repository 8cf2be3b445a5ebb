#include <algorithm>

#include "common/TsConstants.h"
#include "tables/psip/PsipTables.h"
#include "tables/psip/VctTable.h"
#include "tables/sections/Pat.h"
#include "tables/sections/Pmt.h"
#include "tables/sections/SectionHeader.h"

namespace tables {
namespace {

constexpr std::uint8_t kAnalog = 0x01;

// The streams of a programme from the PAT and PMT most recently received on
// the VCT's physical channel with the same tag. False when none was found.
bool LookUpStreams(const SectionStore& store, const SectionTag& tag, std::uint16_t program,
                   StreamPids& pids) {
  const SectionRecord* pat = store.FindLatest(tag, common::kPatTableId, common::kPatPid,
                                              [](std::span<const std::uint8_t>) { return true; });
  if (!pat) return false;
  const std::int32_t pmtPid = FindProgramPid(pat->section, program);
  if (pmtPid < 0) return false;
  const SectionRecord* pmt =
      store.FindLatest(tag, common::kPmtTableId, static_cast<std::uint16_t>(pmtPid),
                       [&](std::span<const std::uint8_t> s) {
                         return s.size() >= 5 && SectionHeader::Read(s).tableIdExtension == program;
                       });
  return pmt && ReadPmtStreams(pmt->section, pids);
}

void WriteDescription(tuning::ChannelRecord& record, const VctChannel& c, ChannelKeys keys,
                      const SectionTag& tag, std::uint8_t version) {
  std::fill(std::begin(record.name), std::end(record.name), u'\0');
  std::copy(std::begin(c.shortName), std::end(c.shortName), record.name);
  record.locator = tuning::ChannelLocator{};
  record.locator.key1 = keys.key1;
  record.locator.key2 = keys.key2;
  record.locator.channelMap = tag.tuningSpace;
  record.locator.modulation = static_cast<std::uint8_t>(tag.modulation);
  record.sourceId = c.sourceId;
  record.vctVersion = version;
  record.carrierFrequency = c.carrierFrequency;
  record.hidden = c.hidden;
  record.hideGuide = c.hideGuide;
  record.accessControlled = c.accessControlled;
  record.modulationMode = c.modulationMode;
  record.serviceType = c.serviceType;
}

void WriteStreams(tuning::ChannelRecord& record, const StreamPids& pids) {
  record.audioPid = pids.audioPid;
  record.videoPid = pids.videoPid;
  record.videoStreamType = pids.videoStreamType;
  record.audioStreamType = pids.audioStreamType;
  record.pcrPid = pids.pcrPid;
}

}  // namespace

ChannelKeys VctChannelKeys(std::uint8_t physical, std::uint16_t major, std::uint16_t minor) {
  if ((major & 0x3F0) == 0x3F0) {
    return {physical, static_cast<std::uint32_t>((major & 0x0F) << 10 | (minor & 0x3FF))};
  }
  return {tuning::ChannelLocator::MakeKey1(physical, minor), major};
}

namespace {

bool CheckVct(std::span<const std::uint8_t> section, const VctTable& vct, bool decoded) {
  const SectionHeader& h = vct.header;
  if ((h.tableId != common::kTvctTableId && h.tableId != common::kCvctTableId) || !h.currentNext ||
      h.sectionLength <= 12 || h.sectionLength > 1021 || section.size() != h.sectionLength + 3u ||
      h.lastSectionNumber < h.sectionNumber) {
    return false;
  }
  return decoded;
}

}  // namespace

bool CheckVct(std::span<const std::uint8_t> section) {
  VctTable vct;
  const bool decoded = DecodeVct(section, vct);
  return CheckVct(section, vct, decoded);
}

void UpdateFromVct(TableContext& ctx, std::span<const std::uint8_t> section,
                   const SectionTag& tag) {
  VctTable vct;
  DecodeVct(section, vct);
  UpdateFromVct(ctx, vct, tag);
}

void UpdateFromVct(TableContext& ctx, const VctTable& vct, const SectionTag& tag) {
  const SectionHeader& h = vct.header;
  for (const VctChannel& c : vct.channels) {
    if (c.modulationMode == kAnalog) continue;
    StreamPids pids;
    const bool streamsFound = LookUpStreams(ctx.sections, tag, c.programNumber, pids);
    const ChannelKeys keys = VctChannelKeys(tag.physical, c.major, c.minor);

    std::lock_guard<std::mutex> vctLock(ctx.graph.vctLock);
    auto lock = ctx.channels.Acquire();
    if (tuning::ChannelNode* node = ctx.channels.FindByKeys(keys.key1, keys.key2)) {
      tuning::ChannelRecord& record = node->record;
      WriteDescription(record, c, keys, tag, h.version);
      // Without a PMT the stored streams stay: they are better than none.
      if (streamsFound && (pids.videoPid != record.videoPid || pids.audioPid != record.audioPid)) {
        WriteStreams(record, pids);
      }
      continue;
    }
    if (ctx.graph.scanRunning.load() == 0) continue;
    tuning::ChannelRecord record;
    WriteDescription(record, c, keys, tag, h.version);
    WriteStreams(record, pids);
    record.transportStreamId = c.channelTsid;
    record.programNumber = c.programNumber;
    record.utcOffset = 0;
    record.enabled = 1;
    record.guideTableCount = 0;
    record.fromCableVct = h.tableId == common::kCvctTableId ? 1 : 0;
    ctx.channels.InsertSorted(record);
  }
}

bool OnVct(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag) {
  VctTable vct;
  const bool decoded = DecodeVct(section, vct);
  if (!CheckVct(section, vct, decoded)) return false;
  UpdateFromVct(ctx, vct, tag);
  return true;
}

}  // namespace tables

#include <algorithm>

#include "common/ByteReader.h"
#include "tables/psip/PsipTables.h"
#include "tables/sections/Pat.h"
#include "tables/sections/Pmt.h"
#include "tables/sections/SectionHeader.h"

namespace tables {
namespace {

constexpr std::size_t kChannelsOffset = 10;
constexpr std::size_t kCrcBytes = 4;
constexpr std::uint8_t kAnalog = 0x01;
constexpr std::uint8_t kCableVct = 0xC9;

struct VctChannel {
  char16_t shortName[7] = {};
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint8_t modulationMode = 0;
  std::uint32_t carrierFrequency = 0;
  std::uint16_t channelTsid = 0;
  std::uint16_t programNumber = 0;
  bool accessControlled = false;
  bool hidden = false;
  bool hideGuide = false;
  std::uint8_t serviceType = 0;
  std::uint16_t sourceId = 0;
};

bool ReadChannel(common::ByteReader& r, VctChannel& c) {
  for (char16_t& ch : c.shortName)
    ch = r.U16();
  r.Bits(4);
  c.major = static_cast<std::uint16_t>(r.Bits(10));
  c.minor = static_cast<std::uint16_t>(r.Bits(10));
  c.modulationMode = r.U8();
  c.carrierFrequency = r.U32();
  c.channelTsid = r.U16();
  c.programNumber = r.U16();
  r.Bits(2);  // ETM_location
  c.accessControlled = r.Flag();
  c.hidden = r.Flag();
  r.Bits(2);  // path_select, out_of_band
  c.hideGuide = r.Flag();
  r.Bits(3);
  c.serviceType = static_cast<std::uint8_t>(r.Bits(6));
  c.sourceId = r.U16();
  r.Bits(6);
  r.Skip(static_cast<std::size_t>(r.Bits(10)));
  return r.Ok();
}

// Calls fn(channel) for each channel entry; false when one runs past the CRC.
template <class Fn>
bool ForEachChannel(std::span<const std::uint8_t> section, Fn fn) {
  if (section.size() < kChannelsOffset + kCrcBytes) return false;
  const unsigned count = section[9];
  common::ByteReader r(
      section.subspan(kChannelsOffset, section.size() - kChannelsOffset - kCrcBytes));
  for (unsigned i = 0; i < count; ++i) {
    VctChannel c;
    if (!ReadChannel(r, c)) return false;
    fn(c);
  }
  return true;
}

// The streams of a programme from the PAT and PMT most recently received on
// the VCT's physical channel with the same tag. False when none was found.
bool LookUpStreams(const SectionStore& store, const SectionTag& tag, std::uint16_t program,
                   StreamPids& pids) {
  const SectionRecord* pat =
      store.FindLatest(tag, 0x00, 0x0000, [](std::span<const std::uint8_t>) { return true; });
  if (!pat) return false;
  const std::int32_t pmtPid = FindProgramPid(pat->section, program);
  if (pmtPid < 0) return false;
  const SectionRecord* pmt = store.FindLatest(
      tag, 0x02, static_cast<std::uint16_t>(pmtPid), [&](std::span<const std::uint8_t> s) {
        return s.size() >= 5 && (static_cast<unsigned>(s[3]) << 8 | s[4]) == program;
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

bool CheckVct(std::span<const std::uint8_t> section) {
  const SectionHeader h = SectionHeader::Read(section);
  if ((h.tableId != 0xC8 && h.tableId != 0xC9) || !h.currentNext || h.sectionLength <= 12 ||
      h.sectionLength > 1021 || section.size() != h.sectionLength + 3u ||
      h.lastSectionNumber < h.sectionNumber) {
    return false;
  }
  return ForEachChannel(section, [](const VctChannel&) {});
}

void UpdateFromVct(TableContext& ctx, std::span<const std::uint8_t> section,
                   const SectionTag& tag) {
  const SectionHeader h = SectionHeader::Read(section);
  ForEachChannel(section, [&](const VctChannel& c) {
    if (c.modulationMode == kAnalog) return;
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
      return;
    }
    if (ctx.graph.scanRunning.load() == 0) return;
    tuning::ChannelRecord record;
    WriteDescription(record, c, keys, tag, h.version);
    WriteStreams(record, pids);
    record.transportStreamId = c.channelTsid;
    record.programNumber = c.programNumber;
    record.utcOffset = 0;
    record.enabled = 1;
    record.guideTableCount = 0;
    record.fromCableVct = h.tableId == kCableVct ? 1 : 0;
    ctx.channels.InsertSorted(record);
  });
}

bool OnVct(TableContext& ctx, std::span<const std::uint8_t> section, const SectionTag& tag) {
  if (!CheckVct(section)) return false;
  UpdateFromVct(ctx, section, tag);
  return true;
}

}  // namespace tables

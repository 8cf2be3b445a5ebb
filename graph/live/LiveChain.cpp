#include "graph/live/LiveChain.h"

#include <mutex>

#include "common/TimeBase.h"
#include "common/TsConstants.h"
#include "tables/sections/Dispatch.h"
#include "tables/sections/SectionRules.h"

namespace graph {
namespace {

constexpr std::uint32_t kFixedPids[] = {
    common::kPatPid, common::kPsipBasePid, common::kScteSiBasePid, common::kNitPid,
    common::kSdtPid, common::kDvbEitPid,   common::kRstPid,        common::kTdtPid};

// The most read for one second of a stream without clock references.
constexpr std::size_t kMaxBytesPerSecond = 8 << 20;

}  // namespace

void LiveChain::SectionCollector::Deliver(const demux::Sample& sample) {
  // The section buffer's rules: CRC and the tables the program wants.
  if (!tables::AcceptReceivedSection(sample.data, sample.pid)) return;
  tables::SectionTag tag = tag_;
  tag.pid = sample.pid;
  tables::DispatchSection(ctx_, sample.data, tag);
  ++sections_;
}

LiveChain::LiveChain(tables::TableContext& ctx, const tables::SectionTag& tag)
    : graph_(ctx.graph), collector_(ctx, tag), buffer_(common::kPacketSize * 256) {
  demuxer_.CreateOutput({}, &collector_, &output_);
  demuxer_.MapPids(output_, kFixedPids, demux::MediaSampleContent::kMpeg2Psi);
}

void LiveChain::RunSecond(int second, const Reader& read) {
  std::size_t total = 0;
  while (total < kMaxBytesPerSecond) {
    const std::size_t n = read(buffer_);
    if (n == 0) break;
    demuxer_.Ingest(std::span(buffer_).first(n));
    total += n;
    const demux::ClockEstimate clock = demuxer_.Clock();
    if (!clock.valid) continue;
    if (firstTime_ < 0) firstTime_ = clock.streamTime;
    if (clock.streamTime - firstTime_ >= second * common::kUnitsPerSecond) break;
  }
  std::vector<std::uint32_t> listed;
  {
    std::lock_guard lock(graph_.psiPids.lock);
    for (const auto& [key, entry] : graph_.psiPids.entries)
      listed.push_back(entry.pid);
  }
  if (!listed.empty()) demuxer_.MapPids(output_, listed, demux::MediaSampleContent::kMpeg2Psi);
}

}  // namespace graph

#include "graph/program/ProgramFinder.h"

#include <algorithm>
#include <utility>

#include "common/TsConstants.h"
#include "demux/TsDemuxer.h"
#include "tables/mpeg/PmtTable.h"
#include "tables/sections/Pat.h"
#include "tables/sections/Pmt.h"

namespace graph {

namespace {

constexpr std::size_t kChunk = common::kPacketSize * 256;
constexpr std::size_t kTsStep = common::kPacketSize * 7;

// Collects the demultiplexer's sections, handled between Ingest calls since
// a sink must not map PIDs.
class SectionCollector final : public demux::OutputSink {
 public:
  void Deliver(const demux::Sample& sample) override {
    if (sample.content == demux::MediaSampleContent::kMpeg2Psi)
      sections.push_back({sample.pid, {sample.data.begin(), sample.data.end()}});
  }
  std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> sections;
};

bool IsMpeg2Video(std::uint16_t streamType) {
  return streamType == 0x02 || streamType == 0x80;
}

}  // namespace

bool FileChunks::Read(std::vector<std::uint8_t>& chunk) {
  chunk.resize(kChunk);
  in_.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
  chunk.resize(static_cast<std::size_t>(in_.gcount()));
  return !chunk.empty();
}

void FileChunks::Rewind() {
  in_.clear();
  in_.seekg(0);
}

bool MemoryChunks::Read(std::vector<std::uint8_t>& chunk) {
  const std::size_t n = std::min(kChunk, bytes_.size() - used_);
  chunk.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(used_),
               bytes_.begin() + static_cast<std::ptrdiff_t>(used_ + n));
  used_ += n;
  return n != 0;
}

FindVideoResult FindVideoStream(ChunkSource& input, std::optional<unsigned> program,
                                VideoStream& out) {
  input.Rewind();
  demux::TsDemuxer demuxer;
  SectionCollector collector;
  demux::OutputId psi = 0;
  demuxer.CreateOutput({}, &collector, &psi);
  const std::uint32_t patPid = 0;
  demuxer.MapPids(psi, {&patPid, 1}, demux::MediaSampleContent::kMpeg2Psi);

  bool pmtsMapped = false;
  std::vector<std::uint8_t> chunk;
  std::size_t used = 0;
  for (;;) {
    // Small steps, so that the PMT PIDs are mapped soon after the PAT.
    if (used == chunk.size()) {
      if (!input.Read(chunk)) return FindVideoResult::kNotFound;
      used = 0;
    }
    const std::size_t step = std::min(kTsStep, chunk.size() - used);
    demuxer.Ingest(std::span(chunk).subspan(used, step));
    used += step;
    auto sections = std::move(collector.sections);
    collector.sections.clear();
    for (const auto& [pid, section] : sections) {
      if (pid == 0) {
        if (pmtsMapped || !tables::CheckPat(section)) continue;
        std::vector<std::uint32_t> pmtPids;
        if (program) {
          const std::int32_t pmt =
              tables::FindProgramPid(section, static_cast<std::uint16_t>(*program));
          if (pmt < 0) return FindVideoResult::kProgramNotInPat;
          pmtPids.push_back(static_cast<std::uint32_t>(pmt));
        } else {
          tables::PsiPidList list;
          tables::AddPatPids(section, list);
          for (auto it = list.entries.begin(); it != list.entries.end(); ++it)
            pmtPids.push_back(it->second.pid);
        }
        demuxer.MapPids(psi, pmtPids, demux::MediaSampleContent::kMpeg2Psi);
        pmtsMapped = true;
        continue;
      }
      tables::PmtTable pmt;
      if (!tables::DecodePmt(section, pmt) || pmt.header.tableId != common::kPmtTableId) continue;
      tables::StreamPids streams;
      tables::ChooseStreams(pmt, streams);
      if (streams.videoPid < 0) continue;
      const unsigned programNumber = pmt.ProgramNumber();
      if (program ? programNumber != *program : !IsMpeg2Video(streams.videoStreamType)) continue;
      out.programNumber = programNumber;
      out.pid = static_cast<std::uint16_t>(streams.videoPid);
      out.streamType = streams.videoStreamType;
      out.audioPid = streams.audioPid;
      out.audioStreamType = streams.audioStreamType;
      out.pcrPid = streams.pcrPid;
      return FindVideoResult::kFound;
    }
  }
}

}  // namespace graph

// The live chain of a watched channel without a filter graph: a tuner's
// transport stream through the demultiplexer's section output, each
// section's CRC checked and the section filed with its tuning tag through the
// table dispatcher, as the section buffer and the poll do together. It runs
// one second of stream time at a time (counted from the programme clock
// references) and then maps the PIDs the tables asked for (PMTs from the PAT,
// EIT/ETT from the MGT), as the poll sets the demultiplexer's section PIDs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "demux/TsDemuxer.h"
#include "tables/sections/SectionTag.h"
#include "tables/sections/TableContext.h"

namespace graph {

class LiveChain {
 public:
  // Reads the tuner's next packets into the buffer; 0 when none came.
  using Reader = std::function<std::size_t(std::span<std::uint8_t>)>;

  // Sections go to `ctx` tagged with `tag` (its PID set per section). The
  // fixed PSI PIDs are mapped from the start.
  LiveChain(tables::TableContext& ctx, const tables::SectionTag& tag);

  // Reads until `second` seconds of stream time have passed since the first
  // clock reference, the reader returns nothing or a stream without clock
  // references has given a second's worth of bytes; then maps the PIDs the
  // tables list.
  void RunSecond(int second, const Reader& read);

  // Sections filed so far.
  int Sections() const { return collector_.sections(); }

 private:
  class SectionCollector : public demux::OutputSink {
   public:
    SectionCollector(tables::TableContext& ctx, tables::SectionTag tag) : ctx_(ctx), tag_(tag) {}
    void Deliver(const demux::Sample& sample) override;
    int sections() const { return sections_; }

   private:
    tables::TableContext& ctx_;
    tables::SectionTag tag_;
    int sections_ = 0;
  };

  tables::GraphTables& graph_;
  SectionCollector collector_;
  demux::TsDemuxer demuxer_;
  demux::OutputId output_ = 0;
  std::vector<std::uint8_t> buffer_;
  std::int64_t firstTime_ = -1;
};

}  // namespace graph

// The ingest chain of a buffered tuner graph: "Tallowmark Network Provider" ->
// tuner -> "Smart Tee"; tee -> "TS Sink"; tee -> "Demux" -> "Tallowmark
// Section Buffer". The network provider tunes the tuner and maps PIDs on the
// demultiplexer's section, video and audio pins; the section poll empties the
// section buffer through PollBuffer() and sets the PSI PIDs through
// PollProvider().
//
// The graph is built once around a tuner filter the caller made (bound from a
// device moniker or created directly); Build reports the first failure with
// the message the graph manager shows for it, and leaves nothing half built.
#pragma once

#include <memory>
#include <string>

#include "demux/filter/DemuxFilter.h"
#include "filters/dump/Dump.h"
#include "filters/provider/NetworkProvider.h"
#include "filters/provider/PsiPidAdapter.h"
#include "filters/sectionbuffer/PacketBufferAdapter.h"
#include "filters/sectionbuffer/PsiParserFilter.h"
#include "filters/tee/Tee.h"
#include "platform/media/Interfaces.h"

namespace graph {

class IngestGraph {
 public:
  IngestGraph() = default;
  ~IngestGraph();
  IngestGraph(const IngestGraph&) = delete;
  IngestGraph& operator=(const IngestGraph&) = delete;

  // Creates the graph and its filters around `tuner` (added as `tunerName`).
  // On failure `error` gets the message and the graph is torn down again.
  HRESULT Build(IBaseFilter* tuner, const std::u16string& tunerName, std::string* error);
  void TearDown();

  HRESULT Run();
  HRESULT Stop();

  // Waits until every sample the tuner has handed to the tee has passed the
  // tee's output queues and the demultiplexer's, so the section buffer and the
  // dump hold everything delivered so far. The tuner should be idle meanwhile.
  void WaitUntilIdle();

  IFilterGraph2* Graph() const { return graph_.Get(); }
  filters::CNetworkProvider* Provider() const { return provider_.Get(); }
  CTee* Tee() const { return tee_.Get(); }
  CDumpFilter* Dump() const { return dump_.Get(); }
  demux::CDemuxFilter* Demux() const { return demux_.Get(); }
  CPsiParserFilter* SectionBuffer() const { return sectionBuffer_.Get(); }
  // The demultiplexer's output pins the network provider created.
  ComPtr<IPin> DemuxPin(const char16_t* name) const;

  // The section poll's view of the section buffer and the network provider.
  tables::IPacketBuffer* PollBuffer() const { return pollBuffer_.get(); }
  tables::INetworkProvider* PollProvider() const { return pollProvider_.get(); }

 private:
  HRESULT Fail(HRESULT hr, const char* message, std::string* error);

  ComPtr<IFilterGraph2> graph_;
  ComPtr<filters::CNetworkProvider> provider_;
  ComPtr<IBaseFilter> tuner_;
  ComPtr<CTee> tee_;
  ComPtr<CDumpFilter> dump_;
  ComPtr<demux::CDemuxFilter> demux_;
  ComPtr<CPsiParserFilter> sectionBuffer_;
  ULONG demuxRegistration_ = 0;
  bool demuxRegistered_ = false;
  std::unique_ptr<filters::PacketBufferAdapter> pollBuffer_;
  std::unique_ptr<filters::PsiPidAdapter> pollProvider_;
};

}  // namespace graph

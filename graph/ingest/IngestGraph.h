// The ingest chain of a tuner graph. Buffered: "Tallowmark Network Provider"
// -> tuner chain -> "Smart Tee"; tee -> "TS Sink"; tee -> "Demux" ->
// "Tallowmark Section Buffer". Live: the tuner chain feeds "Demux" directly
// and there is no tee or transport dump. The tuner chain is the tuner and up
// to two receiver components that connect behind it. The network provider
// tunes the tuner and maps PIDs on the demultiplexer's section, video and
// audio pins; the section poll empties the section buffer through
// PollBuffer() and sets the PSI PIDs through PollProvider().
//
// The graph is built around a tuner filter the caller made, or one loaded
// from its device display name. Build reports the first failure with the
// graph manager's message for it (a message that ends in a line feed is a
// trace, the others are shown to the user) and leaves nothing half built.
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

  enum class Mode { kLive, kBuffered };

  // Creates the graph and its filters around `tuner` (added as `tunerName`).
  // On failure `error` gets the message and the graph is torn down again.
  HRESULT Build(IBaseFilter* tuner, const std::u16string& tunerName, std::string* error,
                Mode mode = Mode::kBuffered);
  // The same around the tuner device `displayName` and the receiver
  // components that connect behind it.
  HRESULT BuildFromDevice(const std::u16string& displayName, Mode mode, std::string* error);
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
  IBaseFilter* Tuner() const { return chain_[0].Get(); }
  // Why the tuner's stream ended for good (its device gone, its capture
  // removed); S_OK while it delivers or without a tuner.
  HRESULT TunerStreamFailure() const;
  int ChainCount() const { return chainCount_; }
  // The demultiplexer's output pins the network provider created.
  ComPtr<IPin> DemuxPin(const char16_t* name) const;

  // The section poll's view of the section buffer and the network provider.
  tables::IPacketBuffer* PollBuffer() const { return pollBuffer_.get(); }
  tables::INetworkProvider* PollProvider() const { return pollProvider_.get(); }

 private:
  HRESULT Fail(HRESULT hr, const char* message, std::string* error);
  HRESULT BuildAfterTuner(Mode mode, std::string* error);
  HRESULT AddProvider(std::string* error);

  ComPtr<IFilterGraph2> graph_;
  ComPtr<filters::CNetworkProvider> provider_;
  ComPtr<IBaseFilter> chain_[3];  // tuner, then receiver components
  int chainCount_ = 0;
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

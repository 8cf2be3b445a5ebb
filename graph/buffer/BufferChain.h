// The recording chain of a buffered tuner graph, behind the ingest chain's
// "Demux": the video pin through the "Video Analyzer" into the "MPEG-2 Sink",
// the audio pin straight into the sink, and a "Text Source" that gives the
// sink its text stream. The sink writes a programme-stream file, or a
// time-shift list of chunk files when the file name ends in ".lst".
//
// Build reports the first failure with the message the graph manager shows
// for it; TearDown takes the chain's filters out of the graph again and, for
// a live buffer, deletes its list and chunks.
#pragma once

#include <memory>
#include <string>

#include "filters/sink/Mpeg2Sink.h"
#include "filters/text/TextSource.h"
#include "filters/text/TextSourceAdapter.h"
#include "graph/ingest/IngestGraph.h"
#include "platform/media/Interfaces.h"

namespace graph {

class BufferChain {
 public:
  BufferChain() = default;
  ~BufferChain() { TearDown(); }
  BufferChain(const BufferChain&) = delete;
  BufferChain& operator=(const BufferChain&) = delete;

  // Adds and connects the chain's filters behind `ingest` and names the
  // sink's file. On failure `error` gets the message.
  HRESULT Build(IngestGraph& ingest, const std::u16string& fileName, std::string* error);
  void TearDown();

  // The section poll's view of the text source.
  tables::ITextSource* PollText() const { return adapter_.get(); }
  CTextSource* Text() const { return static_cast<CTextSource*>(textSource_.Get()); }
  CMPEG2Sink* Sink() const { return static_cast<CMPEG2Sink*>(sink_.Get()); }

 private:
  ComPtr<IFilterGraph2> graph_;
  ComPtr<IBaseFilter> analyzer_;
  ComPtr<IBaseFilter> sink_;
  ComPtr<IBaseFilter> textSource_;
  std::unique_ptr<filters::TextSourceAdapter> adapter_;
  std::u16string fileName_;
};

}  // namespace graph
